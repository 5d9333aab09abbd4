#include "support/testsupport.h"

#include "shell/misc.h"
#include "storage/programfolder.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace testsupport {

ProgramFolderFixture::ProgramFolderFixture() { programFolder::setOverride(m_dir.path()); }

ProgramFolderFixture::~ProgramFolderFixture() { programFolder::setOverride(QString()); }

namespace {

bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& folder)
    : m_folder(folder)
{
    apply(true);
}

ReadOnlyFolder::~ReadOnlyFolder() { apply(false); }

void ReadOnlyFolder::apply(bool on)
{
    QStringList paths;
    const auto files = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : files)
        paths << QDir(m_folder).filePath(name);
    paths << m_folder;
    bool ok = true;
    for (const QString& p : paths) {
        if (::geteuid() == 0) {
            ok = setImmutable(p, on) && ok;
        } else {
            const bool isDir = QFileInfo(p).isDir();
            const auto perms = on ? (isDir ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner)
                                  : (isDir ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                           : QFile::ReadOwner | QFile::WriteOwner);
            ok = QFile::setPermissions(p, perms) && ok;
        }
    }
    if (on)
        m_ok = ok;
}

MessageRecorder::MessageRecorder()
{
    ui::messages::setHandler([this](ui::MessageKind kind, const QString& text) {
        m_messages.append({kind, text});
        if (onMessage)
            onMessage(m_messages.last());
        const bool question = kind == ui::MessageKind::Question;
        ui::Answer answer = question ? ui::Answer::Yes : ui::Answer::Ok;
        if (!m_answers.isEmpty())
            answer = m_answers.takeFirst();
        const bool offered = question ? (answer == ui::Answer::Yes || answer == ui::Answer::No || answer == ui::Answer::Closed)
                             : kind == ui::MessageKind::Plain ? (answer == ui::Answer::Ok || answer == ui::Answer::Closed)
                                                              : answer != ui::Answer::Yes && answer != ui::Answer::No;
        if (!offered)
            qFatal("answer not offered by the message box: %s", qPrintable(text));
        return answer;
    });
}

MessageRecorder::~MessageRecorder() { ui::messages::setHandler({}); }

QStringList MessageRecorder::texts() const
{
    QStringList t;
    for (const Message& m : m_messages)
        t << m.text;
    return t;
}

ShellRecorder::ShellRecorder()
{
    TMisc::setHandler([this](const QString& target) { opened << target; });
}

ShellRecorder::~ShellRecorder() { TMisc::setHandler({}); }

SoundRecorder::SoundRecorder()
{
    ui::sound::setPlayer({[this](const QString& path) {
                              played << path;
                              return true;
                          },
                          [this] { ++stops; }});
}

SoundRecorder::~SoundRecorder() { ui::sound::setPlayer({}); }

RunRecorder::RunRecorder()
{
    ui::run::setHandler([this] { ++ends; });
}

RunRecorder::~RunRecorder() { ui::run::setHandler({}); }

void whenModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void pressKey(QWidget* widget, QKeyCombination combination)
{
    const Qt::Key key = combination.key();
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QString text;
    if (key == Qt::Key_Backspace)
        text = QString(QChar(8));
    else if (key == Qt::Key_Delete)
        text = QString(QChar(127));
    else if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier)) && key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        text = (modifiers & Qt::ShiftModifier) ? QString(QChar(key)) : QString(QChar(key)).toLower();
    QTest::sendKeyEvent(QTest::Click, widget, key, text, modifiers);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace testsupport
