#pragma once

#include <QString>

#include <array>

namespace pq {

// The five slider values and captions of one effect. An empty caption means
// the effect has no such parameter (its slider is disabled).
struct EffectParameters {
    int value1 = 0;
    int value2 = 0;
    int value3 = 0;
    int value4 = 0;
    int value5 = 0;
    QString name1;
    QString name2;
    QString name3;
    QString name4;
    QString name5;

    // k in 1..5; other k read as 0 / empty and are ignored on write.
    int value(int k) const;
    void setValue(int k, int v);
    QString name(int k) const;
};

// params[number div 100][number mod 100].
using ParameterTable = std::array<std::array<EffectParameters, 20>, 10>;

// Writes the catalogue's captions and default values into the table;
// every other entry is left as it is.
void InitializeParameters(ParameterTable& params);

// Double-click resets. The selected effect's whole entry (captions and
// values) back to the catalogue's defaults; one slider value (k in 1..5)
// back to its default. Numbers outside the catalogue keep their entry.
// Every other entry is left as it is.
void ResetEffectToDefaults(ParameterTable& params, int number);
void ResetSliderToDefault(ParameterTable& params, int number, int k);

// The entry of an effect number; nullptr outside the table.
EffectParameters* ParamsEntry(ParameterTable& params, int number);
const EffectParameters* ParamsEntry(const ParameterTable& params, int number);

} // namespace pq
