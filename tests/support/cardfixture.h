#pragma once
// A running program for tests of the appointment screens: a program folder of
// its own, the area screens, recorded messages, shell opens and sounds, and
// a fixed "today".

#include "support/testsupport.h"

#include "storage/records.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include <memory>

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

    QString appointments() const;
    // Appends a record to the appointments archive and returns its position.
    qint64 addAppointment(const AppointmentRecord& record);
    QByteArray appointmentBytes(qint64 position) const;
};

// An appointment with the fields that lists and agendas look at.
AppointmentRecord appointment(const QString& date, const QString& hour, const QString& minute,
                              const QString& notice, const QString& purpose, const QString& contact,
                              bool fulfilled = false, const QString& mobile = QString());

// Controls of a screen by their names.
template <typename T = QWidget>
T* control(QWidget* screen, const QString& name)
{
    T* found = screen->findChild<T*>(name);
    if (!found)
        qFatal("no control %s on %s", qPrintable(name), qPrintable(screen->objectName()));
    return found;
}

QStringList pdfText(const QString& path);

} // namespace testsupport
