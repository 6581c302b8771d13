// The progress window of long renders: "Rendering ..." with a bar per level; its close box
// cancels the render. It shows what the core's progress service holds.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

#include "base/progress.h"

namespace zel {

class TProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit TProgressWindow(QWidget* parent = nullptr);
    TProgressService& Service() { return m_service; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Show(bool shown);
    void Repaint();

    QElapsedTimer m_clock;
    TProgressService m_service;
    QLabel* m_caption = nullptr;
    QProgressBar* m_bar = nullptr;
};

} // namespace zel
