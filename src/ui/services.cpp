#include "ui/services.h"

#include "storage/texts.h"

#include <QApplication>
#include <QAudioOutput>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace ui {

namespace messages {
namespace {

Handler handler;

Answer showBox(MessageKind kind, const QString& text)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(displayText(text));
    QString title = u"Quirvale 5.0"_s;
    switch (kind) {
    case MessageKind::Information:
        box.setIcon(QMessageBox::Information);
        title = u"Informazione"_s;
        break;
    case MessageKind::Warning:
        box.setIcon(QMessageBox::Warning);
        title = u"Attenzione"_s;
        break;
    case MessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        title = u"Errore"_s;
        break;
    case MessageKind::Question:
    case MessageKind::Choice:
        box.setIcon(QMessageBox::Question);
        title = u"Conferma"_s;
        break;
    case MessageKind::Plain:
        break;
    }
    box.setWindowTitle(title);
    if (kind == MessageKind::Question || kind == MessageKind::Choice) {
        box.addButton(QMessageBox::Yes)->setText(u"Sì"_s);
        box.addButton(QMessageBox::No)->setText(u"No"_s);
        if (kind == MessageKind::Choice)
            box.addButton(QMessageBox::Cancel)->setText(u"Annulla"_s);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        // A notice only tells: it has nothing to cancel.
        box.addButton(QMessageBox::Ok)->setText(u"OK"_s);
        box.setDefaultButton(QMessageBox::Ok);
    }
    box.exec();
    switch (box.result()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Closed;
    }
}

Answer show(MessageKind kind, const QString& text)
{
    return handler ? handler(kind, text) : showBox(kind, text);
}

} // namespace

void information(const QString& text)
{
    show(MessageKind::Information, text);
}
void warning(const QString& text)
{
    show(MessageKind::Warning, text);
}
void error(const QString& text)
{
    show(MessageKind::Error, text);
}
void plain(const QString& text)
{
    show(MessageKind::Plain, text);
}
bool confirm(const QString& text)
{
    return show(MessageKind::Question, text) != Answer::No;
}
Answer choose(const QString& text)
{
    const Answer answer = show(MessageKind::Choice, text);
    return answer == Answer::Yes || answer == Answer::No ? answer : Answer::Cancel;
}
void setHandler(Handler h)
{
    handler = std::move(h);
}

QString displayText(const QString& text)
{
    QString t = text;
    t.replace(u"\r\n"_s, u"\n"_s);
    t.replace(u"\n\r"_s, u"\n"_s);
    t.replace(u'\r', u'\n');
    return t;
}

} // namespace messages

namespace clock {
namespace {
QDateTime fixed;
}
QDate today()
{
    return now().date();
}
QDateTime now()
{
    return fixed.isValid() ? fixed : QDateTime::currentDateTime();
}
void setFixed(const QDateTime& moment)
{
    fixed = moment;
}
} // namespace clock

namespace fileDialog {
namespace {
Handler handler;
FolderHandler folderHandler;
} // namespace
QString openFileName(QWidget* parent, const QString& title, const QString& filter)
{
    if (handler)
        return handler(title, filter);
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}
void setHandler(Handler h)
{
    handler = std::move(h);
}
QString folderName(QWidget* parent, const QString& title)
{
    if (folderHandler)
        return folderHandler(title);
    return QFileDialog::getExistingDirectory(parent, title);
}
void setFolderHandler(FolderHandler h)
{
    folderHandler = std::move(h);
}
namespace {
SaveHandler saveHandler;
}
QString saveFileName(QWidget* parent, const QString& title, const QString& filter, const QString& suggested)
{
    if (saveHandler)
        return saveHandler(title, filter, suggested);
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}
void setSaveHandler(SaveHandler h)
{
    saveHandler = std::move(h);
}
} // namespace fileDialog

namespace sound {
namespace {

Player player;

// The platform's media player, made on first use and kept for the run.
struct MediaPlayer {
    QPointer<QMediaPlayer> media;

    bool play(const QString& path)
    {
        if (!QFileInfo::exists(path))
            return false;
        if (!media) {
            media = new QMediaPlayer(qApp);
            media->setAudioOutput(new QAudioOutput(media));
        }
        media->stop();
        media->setSource(QUrl::fromLocalFile(path));
        if (media->error() != QMediaPlayer::NoError)
            return false;
        media->play();
        return true;
    }
    void stop()
    {
        if (media)
            media->stop();
    }
};

MediaPlayer& mediaPlayer()
{
    static MediaPlayer p;
    return p;
}

} // namespace

bool play(const QString& path)
{
    return player.play ? player.play(path) : mediaPlayer().play(path);
}
void stop()
{
    if (player.stop)
        player.stop();
    else
        mediaPlayer().stop();
}
void setPlayer(Player p)
{
    player = std::move(p);
}
} // namespace sound

namespace desktop {
namespace {
std::function<void(const QString&)> handler;
}

void open(const QString& target)
{
    if (handler) {
        handler(target);
        return;
    }
    QString text = target;
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = text.mid(1, text.size() - 2);
    QUrl url;
    if (text.startsWith(u"mailto:"_s, Qt::CaseInsensitive))
        url = QUrl(text, QUrl::TolerantMode);
    else if (text.contains(u"://"_s))
        url = QUrl(text);
    else
        url = QUrl::fromLocalFile(text);
    QDesktopServices::openUrl(url);
}

void setHandler(std::function<void(const QString&)> h)
{
    handler = std::move(h);
}

void mailTo(const QString& address)
{
    const QByteArray encoded = QUrl::toPercentEncoding(texts::trim(address), "@");
    open(u"\"mailto:"_s + QString::fromLatin1(encoded) + u"\""_s);
}
} // namespace desktop

namespace help {
namespace {
std::function<void(QWidget*, const QString&)> handler;
}
void show(QWidget* parent, const QString& topic)
{
    if (handler)
        handler(parent, topic);
}
void setHandler(std::function<void(QWidget*, const QString&)> h)
{
    handler = std::move(h);
}
} // namespace help

namespace run {
namespace {
std::function<void()> handler;
}
void end()
{
    if (handler)
        handler();
    else
        QCoreApplication::exit(0);
}
void setHandler(std::function<void()> h)
{
    handler = std::move(h);
}
} // namespace run

} // namespace ui
