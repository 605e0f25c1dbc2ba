#pragma once

namespace pq {

class EffectRunContext;

// Before effects 302, 303, 304 and 307: on the UI thread, makes the active
// brush sheet Repository().Brushes the user's sheet when it is switched on, else
// the built-in pastel (302), watercolour (303) or default (304, 307) sheet;
// 307 leaves the sheet alone while the user's sheet for 304 is on. Before
// 304 it also sets brushCount (the user's count, else 40). The sheet
// and count are stored in the run for its effect to read. Other numbers:
// nothing. Raises EAbort when the UI is gone.
void RunBrushSheetStep(int effectNumber, EffectRunContext& run);

} // namespace pq
