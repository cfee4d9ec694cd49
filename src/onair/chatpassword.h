#pragma once

#include <QString>

#include <optional>

// The chat password the operator asked to keep ("Запомнить"): a file of its own in the
// user's configuration folder ($XDG_CONFIG_HOME/kovra, by default ~/.config/kovra), readable
// and writable by the user only, never in the log. Without that choice it stays in memory.
namespace ChatPassword {

QString filePath();
// The kept password; none when nothing is kept or the file cannot be read.
std::optional<QString> remembered();
// Keeps the password: a temporary file made readable by the user only before anything is
// written to it, renamed over the old one when complete. Returns the cause of a failure, or
// an empty text.
QString remember(const QString& password);
// Removes the kept password; the cause of a failure, or an empty text.
QString forget();

} // namespace ChatPassword
