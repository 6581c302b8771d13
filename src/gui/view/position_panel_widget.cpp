#include "position_panel_widget.h"

#include <QEvent>
#include <QImage>
#include <QPainter>

#include "canvas.h"
#include "edit/music.h"
#include "edit/tab_mouse.h"
#include "riff_view_paint.h"

namespace zel {

namespace {
constexpr int PanelWidth = 80;
constexpr int PanelHeight = 20;
// Room right of the text, as much as the text keeps from the left edge.
constexpr int RightMargin = 4;
} // namespace

TPositionPanelWidget::TPositionPanelWidget(const TProject& project, const TEditorState& editor,
                                           QWidget* parent)
    : QWidget(parent), m_project(project), m_editor(editor), m_width(PanelWidth) {
    setObjectName(QStringLiteral("StatusBarPanel0"));
    setMinimumHeight(PanelHeight);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    Refresh();
}

const TRiff& TPositionPanelWidget::Riff() const {
    return m_project.Riffs[size_t(std::clamp(m_editor.CurrentRiff, 0, MaxRiffs - 1))];
}

QSize TPositionPanelWidget::sizeHint() const {
    return {m_width, PanelHeight};
}

QSize TPositionPanelWidget::minimumSizeHint() const {
    return sizeHint();
}

int TPositionPanelWidget::MeasureWidth() const {
    // The panel's own drawing, muted, on a scratch image: what is measured is what is drawn.
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    TCanvas canvas(painter, font().family(), QFontInfo(font()).pixelSize());
    canvas.Muted = true;
    int right = DrawPositionPanel(canvas, QRect(0, 0, PanelWidth, PanelHeight), Riff());
    return std::max(PanelWidth, right + RightMargin);
}

QString TPositionPanelWidget::Text() const {
    TPositionPanel panel = PositionPanelOf(Riff());
    return QString::fromLatin1(panel.Selection ? "Selection " : "Position ") +
           QString::fromStdString(PositionPlainText(Riff(), panel.Ticks));
}

void TPositionPanelWidget::Refresh() {
    int width = MeasureWidth();
    if (width != m_width || maximumWidth() != width) {
        m_width = width;
        setFixedWidth(width); // the status bar lays its panels out again
    }
    // Screen readers read the panel as its text.
    QString text = Text();
    if (accessibleName() != text)
        setAccessibleName(text);
    update();
}

void TPositionPanelWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        Refresh();
    QWidget::changeEvent(event);
}

void TPositionPanelWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(painter, font().family(), QFontInfo(font()).pixelSize());
    DrawPositionPanel(canvas, rect(), Riff());
}

} // namespace zel
