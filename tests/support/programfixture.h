#pragma once
// A running program for tests of the screens: a program folder of its own,
// the area screens with their owner, recorded messages, desktop opens and
// sounds, every print sent to a PDF file, and a fixed "today".

#include "support/testsupport.h"

#include "shell/screens.h"
#include "storage/records.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

class QListView;

namespace testsupport {

class ProgramFixture {
public:
    explicit ProgramFixture(const QDate& today = QDate(2024, 3, 10));
    ~ProgramFixture();

    ProgramFolderFixture folder;
    MessageRecorder messages;
    ShellRecorder shellOpens;
    SoundRecorder sounds;
    RunRecorder runs;
    QString pdf; // every print goes here
    std::unique_ptr<shell::Screens> screens;

    AppointmentCard* card() const;
    AgendaScreen* agenda() const;
    MainMenu* menu() const;
    PasswordGate* gate() const;
    PasswordChange* passwordChange() const;

    QString appointments() const;
    // Appends a record to the appointments archive and returns its position.
    qint64 addAppointment(const AppointmentRecord& record);
    QByteArray appointmentBytes(qint64 position) const;
};

// An appointment with the fields that lists and agendas look at.
AppointmentRecord appointment(const QString& date, const QString& hour, const QString& minute, const QString& notice,
    const QString& purpose, const QString& contact, bool fulfilled = false, const QString& mobile = QString());

// Controls of a screen by their names.
template <typename T = QWidget>
T* control(QWidget* screen, const QString& name)
{
    T* found = screen->findChild<T*>(name);
    if (!found)
        qFatal("no control %s on %s", qPrintable(name), qPrintable(screen->objectName()));
    return found;
}

// The lines a list shows, in their order.
QStringList listedLines(QListView* list);
QStringList listedLines(QWidget* screen, const QString& list = QStringLiteral("lstRecords"));

// The text of a PDF file, page by page. A file that cannot be converted
// fails the running test.
QStringList pdfText(const QString& path);

} // namespace testsupport
