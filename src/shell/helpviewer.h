#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class HelpViewer;
}

// The help viewer: one topic, its title and its text.
class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);
    ~HelpViewer() override;
    void showTopic(const QString& title, const QString& text);

private:
    QScopedPointer<Ui::HelpViewer> m_ui;
};
