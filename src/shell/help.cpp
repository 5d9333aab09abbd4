#include "shell/help.h"

#include "shell/helpviewer.h"
#include "storage/programfolder.h"
#include "ui/services.h"

#include <QFile>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace shell::help {

namespace {

QList<Topic> load()
{
    QFile file(u":/help/guida.txt"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Topic> result;
    QStringList paragraphs;
    QString paragraph;
    const auto finishParagraph = [&] {
        if (!paragraph.isEmpty())
            paragraphs << paragraph;
        paragraph.clear();
    };
    const auto finishTopic = [&] {
        finishParagraph();
        if (!result.isEmpty())
            result.last().text = paragraphs.join(u"\r\n\r\n"_s);
        paragraphs.clear();
    };
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u"# "_s)) {
            finishTopic();
            result.append({ line.mid(2), QString() });
        } else if (line.isEmpty()) {
            finishParagraph();
        } else {
            paragraph += (paragraph.isEmpty() ? QString() : u" "_s) + line;
        }
    }
    finishTopic();
    return result;
}

} // namespace

const QList<Topic>& topics()
{
    static const QList<Topic> all = load();
    return all;
}

QString text(const QString& title)
{
    for (const Topic& t : topics()) {
        if (t.title == title)
            return t.text;
    }
    return QString();
}

void show(QWidget* parent, const QString& title)
{
    HelpViewer viewer(parent);
    viewer.showTopic(title, text(title));
    viewer.exec();
}

void openManual()
{
    ui::desktop::open(u"\""_s + programFolder::path() + u"Guida.pdf\""_s);
}

} // namespace shell::help
