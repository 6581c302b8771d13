#include "position_panel_widget.h"

#include <QPainter>

#include "canvas.h"
#include "riff_view_paint.h"

namespace zel {

namespace {
constexpr int PanelWidth = 80;
}

TPositionPanelWidget::TPositionPanelWidget(const TProject& project, const TEditorState& editor,
                                           QWidget* parent)
    : QWidget(parent), m_project(project), m_editor(editor) {
    setObjectName(QStringLiteral("StatusBarPanel0"));
    setFixedWidth(PanelWidth);
    setMinimumHeight(20);
}

QSize TPositionPanelWidget::sizeHint() const {
    return {PanelWidth, 20};
}

void TPositionPanelWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(painter, font().family(), QFontInfo(font()).pixelSize());
    size_t riff = size_t(std::clamp(m_editor.CurrentRiff, 0, MaxRiffs - 1));
    DrawPositionPanel(canvas, rect(), m_project.Riffs[riff]);
}

} // namespace zel
