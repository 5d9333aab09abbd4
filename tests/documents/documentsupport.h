#pragma once
// What the tests of the documents register share: documents written
// straight into the archive of the program folder, their bytes read back,
// and an answer to every modal window that opens while it lives.

#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "support/folders.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace testsupport {

inline QString documentsArchive()
{
    return programFolder::file(programFolder::Documents);
}

inline DocumentRecord document(const QString& name, const QString& producer, const QString& date,
    const QString& recipient = QString(), const QString& protocol = QString(), bool toComplete = false)
{
    DocumentRecord r;
    r.setText(DocumentField::documentName, name);
    r.setText(DocumentField::producer, producer);
    r.setText(DocumentField::productionDate, date);
    r.setText(DocumentField::recipient, recipient);
    r.setText(DocumentField::protocolNumber, protocol);
    r.setFlag(DocumentField::toComplete, toComplete);
    return r;
}

inline qint64 addDocument(const DocumentRecord& record)
{
    return archive::append(documentsArchive(), DocumentRecord::Size, record.data());
}

inline QByteArray storedDocument(qint64 position)
{
    return readFile(documentsArchive()).mid((position - 1) * DocumentRecord::Size, DocumentRecord::Size);
}

// Answers each modal window that opens while it lives, and counts them; a
// window that should not open is then seen instead of waited for.
class ModalAnswers {
public:
    explicit ModalAnswers(std::function<void(QWidget*)> answer)
        : m_answer(std::move(answer))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || modal->property("answered").toBool())
                return;
            modal->setProperty("answered", true);
            ++m_count;
            m_answer(modal);
        });
        m_timer.start();
    }
    int count() const { return m_count; }

private:
    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
    int m_count = 0;
};

} // namespace testsupport
