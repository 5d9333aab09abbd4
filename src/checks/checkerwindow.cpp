#include "checks/checkerwindow.h"

#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QLineEdit>
#include <QPushButton>

namespace checks {

void CheckerWindow::setUpChecker(
    QLineEdit* field, QPushButton* check, QPushButton* close, int typing, const QString& initial)
{
    m_field = field;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ui::applyIcons(this);
    setFixedSize(size());
    if (typing & DigitsOnly)
        ui::setDigitsOnly(field);
    if (typing & TrimAndUpperCase) {
        connect(field, &QLineEdit::textChanged, this, [field](const QString& text) {
            const QString shown = texts::trim(text).toUpper();
            if (shown != text) {
                const int cursor = field->cursorPosition() - int(text.size() - shown.size());
                field->setText(shown);
                field->setCursorPosition(std::clamp(cursor, 0, int(shown.size())));
            }
        });
    }
    ui::setEnterMovesTo(field, check);
    connect(check, &QPushButton::clicked, this, [this] { btnControllaClick(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // A text handed over longer than the box's limit is shown and judged
    // whole, never cut. The limit then follows the text down as characters
    // are deleted, so typing never makes the text longer than it was.
    const int limit = field->maxLength();
    if (initial.size() > limit) {
        field->setMaxLength(int(initial.size()));
        connect(field, &QLineEdit::textChanged, this, [field, limit] {
            const int wanted = std::max(limit, int(field->text().size()));
            if (wanted < field->maxLength()) {
                const int cursor = field->cursorPosition();
                field->setMaxLength(wanted);
                field->setCursorPosition(cursor);
            }
        });
    }
    field->setText(initial);
    field->setFocus();
}

void CheckerWindow::warnAndStay(const QString& text)
{
    ui::messages::warning(text);
    m_field->setFocus();
}

void CheckerWindow::verdict(bool valid, const QString& text)
{
    if (valid)
        ui::messages::information(text);
    else
        ui::messages::warning(text);
    accept();
}

} // namespace checks
