#pragma once
// Help topics: a title and a text of paragraphs separated by an empty line.

#include <QList>
#include <QString>

class QWidget;

namespace shell::help {

struct Topic {
    QString title;
    QString text; // paragraphs joined by "\r\n\r\n"
};

// Every topic, in the order of the manual.
const QList<Topic>& topics();
// The text of the topic with this title; empty when there is none.
QString text(const QString& title);
// Opens a new help viewer on the topic, modally over `parent`: what the
// screens' help commands reach through ui::help::show.
void show(QWidget* parent, const QString& title);
// Opens the manual Guida.pdf of the program folder.
void openManual();

} // namespace shell::help
