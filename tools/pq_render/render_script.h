#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <optional>

// The script modes of pq-render.

// Parses a .pqs file: every error on `err`, one a line, in line order.
// Returns the exit status (0 when the script parses).
int CheckScriptFile(const QString& file, FILE* err);

// Runs a .pqs file on INPUT as the window runs it (a worker, this thread
// serving the UI calls) with the context of a freshly started program, and
// writes OUTPUT. Any error goes to `err` as one line and writes no OUTPUT.
// Needs the engine, the catalogue, the repository and a ManualUiBridge of
// this thread.
int RenderScriptFile(const QString& file, const QString& input, const QString& output,
                     std::optional<uint32_t> seed, FILE* err);
