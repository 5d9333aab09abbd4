#pragma once
// The list screen design shared by the agenda, the searches and the lists:
// a sorted list of fixed-width text lines in a monospaced font, the find
// ("Trova") that walks it in a circle, and the list print.

#include <QAbstractListModel>
#include <QStringList>

class QListView;
class QWidget;

namespace summaries {

enum class LineOrder {
    Text,       // plain text order, character by character
    CaseFoldAZ, // the letters A to Z compared as a to z, everything else by its code
};

void sortLines(QStringList& lines, LineOrder order);

// The find walk over the lines of a list. `selected` is the selected line
// (-1 for none, which counts as the first). A new word is tested from the
// first line on; the same word as last time from the line after the selected
// one, wrapping, the selected line last. Returns the line found, or
// `selected` (the first line when there was none) when nothing matches.
// Words and lines are compared with A to Z folded; an empty word matches nothing.
int findLine(const QStringList& lines, int selected, const QString& word, const QString& lastWord);

class LineListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    void setLines(QStringList lines);
    const QStringList& lines() const { return m_lines; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QStringList m_lines;
};

// A list view showing sorted lines, with its find and print.
class LineList : public QObject {
    Q_OBJECT
public:
    LineList(QListView* view, LineOrder order, int pointSize);
    // Sorts the lines once and shows them.
    void setLines(QStringList lines);
    void clear();
    const QStringList& lines() const { return m_model->lines(); }
    int selectedRow() const;
    void selectRow(int row);
    QString selectedLine() const;

    // The "Trova" command: the message on an empty list, else the walk.
    void find(const QString& typed);
    void forgetFind() { m_lastWord.clear(); }
    // The list print with this title and the lines in list order.
    bool print(const QString& title, QWidget* parent) const;

    static const QString EmptyListMessage;

signals:
    void lineActivated(const QString& line);

private:
    QListView* m_view;
    LineListModel* m_model;
    LineOrder m_order;
    QString m_lastWord;
};

} // namespace summaries
