#pragma once
// The appointment exports: the whole archive in file order, and the
// imminent appointments, those of a day and those of a month in date and
// time order.

#include "summaries/exportframe.h"

#include <QDate>

namespace summaries {

// Rows of the archive export: position, then the thirteen fields. nullopt
// when the archive holds no record; the rows read so far on a failure.
std::optional<QList<QStringList>> archiveRows(const QString& path);

enum class Selection { Imminent, Day, Month };
// Rows of the selection lists: running number, fourteen fields with the
// chronological key last, sorted by the key without regard to case.
// nullopt when the archive holds no record. An access failure keeps the rows
// read so far, unsorted; in the imminent list a record whose date or notice
// days cannot be read is skipped.
std::optional<QList<QStringList>> selectionRows(const QString& path, Selection selection, const QDate& today,
                                                const QDate& selectedDay);

// Sorts rows by the text of one column without regard to case; rows with
// equal keys keep their order.
void sortRowsByColumn(QList<QStringList>& rows, int column);

} // namespace summaries

class TfrmExpScadenzario : public summaries::ExportScreen {
    Q_OBJECT
public:
    explicit TfrmExpScadenzario(QWidget* parent = nullptr);

protected:
    std::optional<QList<QStringList>> rows() override;
};

class SelectionExportScreen : public summaries::ExportScreen {
    Q_OBJECT
protected:
    SelectionExportScreen(summaries::Selection selection, const QString& caption, const QString& fileName,
                          const QString& worksheet, const QString& editablePhone, QWidget* parent);
    std::optional<QList<QStringList>> rows() override;

private:
    summaries::Selection m_selection;
};

// Commitments not fulfilled whose notice period has begun.
class TfrmExpImminenti : public SelectionExportScreen {
    Q_OBJECT
public:
    explicit TfrmExpImminenti(QWidget* parent = nullptr);
};

// Appointments of the day selected in the agenda's calendar.
class TfrmExpGiornaliere : public SelectionExportScreen {
    Q_OBJECT
public:
    explicit TfrmExpGiornaliere(QWidget* parent = nullptr);
};

// Appointments of the month of the day selected in the agenda's calendar.
class TfrmExpMensili : public SelectionExportScreen {
    Q_OBJECT
public:
    explicit TfrmExpMensili(QWidget* parent = nullptr);
};
