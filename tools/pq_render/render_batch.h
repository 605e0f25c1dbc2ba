#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// The batch modes of pq-render: the window's batch without the window.
// Every message the window would show goes to `out`, one a line, the end
// message last. Needs the engine, the catalogue, the repository and a
// ManualUiBridge of this thread.

// --batch NUMBER P1..P5 FILE...: the effect with the five values.
int RenderBatchEffect(int number, const int (&values)[5], const QStringList& files, FILE* out);
// --batch-script SCRIPT FILE...: SCRIPT a file or builtin:NAME.
int RenderBatchScript(const QString& script, const QStringList& files, FILE* out, FILE* err);
