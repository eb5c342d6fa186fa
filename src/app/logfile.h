#pragma once
// `orvena --log FILE`: the program's log messages go into FILE (appended, one line each with the
// time, the category and the level) instead of standard error, for every kind of run.
#include <QString>

namespace orvena {

// Takes "--log FILE" or "--log=FILE" out of the arguments wherever it stands, so the other option
// readers never see it. Returns the file name (empty when not given); *error receives the
// Hungarian message when the name is missing.
QString takeLogOption(int& argc, char** argv, QString* error);

// Sends the messages into the file from now on. False (and nothing changed) when the file cannot
// be opened for appending.
bool startLogFile(const QString& path);
// Back to the default handling (standard error); closes the file.
void stopLogFile();

} // namespace orvena
