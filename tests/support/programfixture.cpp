#include "support/programfixture.h"

#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "shell/mainmenu.h"
#include "shell/passwordchange.h"
#include "shell/passwordgate.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "ui/report.h"

#include <QListView>
#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace testsupport {

ProgramFixture::ProgramFixture(const QDate& today)
{
    ui::clock::setFixed(QDateTime(today, QTime(9, 5, 30)));
    pdf = folder.file(u"stampa-di-prova.pdf"_s);
    report::printer::setPdfTarget(pdf);
    screens = std::make_unique<shell::Screens>();
}

ProgramFixture::~ProgramFixture()
{
    forgetModalAnswers();
    screens.reset();
    report::printer::setPdfTarget(QString());
    report::printer::setPreviewHandler({});
    ui::clock::setFixed(QDateTime());
}

AppointmentCard* ProgramFixture::card() const
{
    return screens->appointmentCard();
}
AgendaScreen* ProgramFixture::agenda() const
{
    return screens->agenda();
}
MainMenu* ProgramFixture::menu() const
{
    return screens->menu();
}
PasswordGate* ProgramFixture::gate() const
{
    return screens->gate();
}
PasswordChange* ProgramFixture::passwordChange() const
{
    return screens->passwordChange();
}

QString ProgramFixture::appointments() const
{
    return programFolder::file(programFolder::Appointments);
}

qint64 ProgramFixture::addAppointment(const AppointmentRecord& record)
{
    return archive::append(appointments(), AppointmentRecord::Size, record.data());
}

QByteArray ProgramFixture::appointmentBytes(qint64 position) const
{
    return readFile(appointments()).mid((position - 1) * AppointmentRecord::Size, AppointmentRecord::Size);
}

AppointmentRecord appointment(const QString& date, const QString& hour, const QString& minute, const QString& notice,
    const QString& purpose, const QString& contact, bool fulfilled, const QString& mobile)
{
    using F = AppointmentField;
    AppointmentRecord r;
    r.setText(F::date, date);
    r.setText(F::hour, hour);
    r.setText(F::minute, minute);
    r.setText(F::time, hour + u":"_s + minute);
    r.setText(F::noticeDays, notice);
    r.setText(F::commitmentType, u"Riunione"_s);
    r.setText(F::purpose, purpose);
    r.setText(F::contact, contact);
    r.setText(F::mobile, mobile);
    r.setText(F::amount, u"0,00"_s);
    r.setFlag(F::fulfilled, fulfilled);
    return r;
}

QStringList listedLines(QListView* list)
{
    QStringList lines;
    const auto* model = list->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines << model->index(row, 0).data().toString();
    return lines;
}

QStringList listedLines(QWidget* screen, const QString& list)
{
    return listedLines(control<QListView>(screen, list));
}

QStringList pdfText(const QString& path)
{
    QProcess p;
    p.start(u"pdftotext"_s, { u"-layout"_s, path, u"-"_s });
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QTest::qFail(
            qPrintable(u"pdftotext could not read "_s + path + u": "_s + QString::fromUtf8(p.readAllStandardError())),
            __FILE__, __LINE__);
        return {};
    }
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace testsupport
