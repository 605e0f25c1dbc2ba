#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <optional>

// The script modes of pq-render.

// A script file, or "builtin:NAME" for the built-in script of that name
// (as listed, or with "_" for the blanks): its text, or false with *error.
bool ReadScriptSource(const QString& file, QString& text, QString* error);

// --list-scripts: the built-in scripts' names in order, one a line.
int ListBuiltInScripts(FILE* out);
// --print-script NAME: the built-in script's text.
int PrintBuiltInScript(const QString& name, FILE* out, FILE* err);
// --print-reference: the reference with its quick index, as the editor
// shows it.
int PrintScriptReference(FILE* out);

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
