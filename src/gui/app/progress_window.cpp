#include "progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QVBoxLayout>

namespace zel {

TProgressWindow::TProgressWindow(QWidget* parent)
    : QDialog(parent), m_service([this] { return m_clock.elapsed(); }, [this] { Repaint(); },
                                 [this](bool shown) { Show(shown); }) {
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(QStringLiteral("Zelvane Editor"));
    setModal(false);
    m_clock.start();
    auto* layout = new QVBoxLayout(this);
    m_caption = new QLabel(this);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    layout->addWidget(m_caption);
    layout->addWidget(m_bar);
    resize(320, 80);
}

void TProgressWindow::Show(bool shown) {
    if (shown) {
        show();
        raise();
    } else {
        hide();
    }
}

void TProgressWindow::Repaint() {
    const auto& levels = m_service.Levels();
    if (!levels.empty()) {
        const auto& level = levels.back();
        m_caption->setText(QString::fromStdString(level.Caption));
        if (level.Range > 0) {
            m_bar->setRange(0, level.Range);
            m_bar->setValue(std::clamp(level.Value, 0, level.Range));
        } else {
            m_bar->setRange(0, TProgressService::IndicatorSteps);
            m_bar->setValue(level.Value % TProgressService::IndicatorSteps);
        }
    }
    // The sound device, Pause and Stop are served while a song renders.
    QApplication::processEvents();
}

void TProgressWindow::closeEvent(QCloseEvent* event) {
    m_service.Cancel();
    event->ignore(); // the render closes the window when it stops
}

void TProgressWindow::reject() {
    m_service.Cancel();
}

} // namespace zel
