#pragma once
// The outside world as the screens see it: message boxes, the clock, the
// file dialog, the warning sound and the end of the run. Each goes through
// one replaceable handler, so tests record what a screen said and answer its
// questions without a modal box waiting.

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>

class QWidget;

namespace ui {

enum class MessageKind {
    Information, // notice with one OK button
    Warning,     // notice with one OK button
    Error,       // notice with one OK button
    Plain,       // one OK button, no icon
    Question,    // Yes and No
    Choice,      // Yes, No and Cancel
};

enum class Answer { Ok, Cancel, Yes, No, Closed };

namespace messages {

using Handler = std::function<Answer(MessageKind, const QString& text)>;

void information(const QString& text);
void warning(const QString& text);
void error(const QString& text);
void plain(const QString& text);
// Only No stops: any other way of closing the box counts as Yes.
bool confirm(const QString& text);
// Yes, No or Cancel; closing the box counts as Cancel.
Answer choose(const QString& text);

// Replaces the message boxes; an empty handler puts them back.
void setHandler(Handler handler);
// The text as a box shows it: the archives' line-break sequences
// ("\n\r", "\r\n") become single line breaks.
QString displayText(const QString& text);

} // namespace messages

namespace clock {
QDate today();
QDateTime now();
// Tests fix the moment; an invalid value gives the real clock back.
void setFixed(const QDateTime& moment);
} // namespace clock

namespace fileDialog {
using Handler = std::function<QString(const QString& title, const QString& filter)>;
// The chosen file's path, empty when the user cancels.
QString openFileName(QWidget* parent, const QString& title, const QString& filter);
void setHandler(Handler handler);
// The chosen folder's path, empty when the user cancels.
using FolderHandler = std::function<QString(const QString& title)>;
QString folderName(QWidget* parent, const QString& title);
void setFolderHandler(FolderHandler handler);
// The path of a file to write, offering `suggested` as its name; empty when
// the user cancels. The dialog asks before an existing file is replaced.
using SaveHandler = std::function<QString(const QString& title, const QString& filter, const QString& suggested)>;
QString saveFileName(QWidget* parent, const QString& title, const QString& filter, const QString& suggested);
void setSaveHandler(SaveHandler handler);
} // namespace fileDialog

namespace sound {
struct Player {
    std::function<bool(const QString& path)> play; // true when the file could be loaded
    std::function<void()> stop;
};
// Plays a sound file once; a machine without sound stays silent.
bool play(const QString& path);
void stop();
void setPlayer(Player player);
} // namespace sound

namespace desktop {
// Hands a file, a web address or a "mailto:" text to the desktop, which opens
// it with the program associated with it; surrounding double quotes are
// removed first. Reports nothing.
void open(const QString& target);
// Tests record what would be opened; an empty handler restores the desktop.
void setHandler(std::function<void(const QString&)> handler);
// A new mail to this address, trimmed and percent-encoded as the only
// recipient: "?", "&" or "#" in it add no subject, body or other recipient.
void mailTo(const QString& address);
} // namespace desktop

namespace help {
// Opens the help viewer on a topic, modally over `parent`. The program's
// shell installs the viewer; without one nothing opens.
void show(QWidget* parent, const QString& topic);
void setHandler(std::function<void(QWidget* parent, const QString& topic)> handler);
} // namespace help

namespace run {
// Ends the program at once.
void end();
void setHandler(std::function<void()> handler);
} // namespace run

} // namespace ui
