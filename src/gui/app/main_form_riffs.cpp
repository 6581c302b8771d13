// The main window's riff tabs: loading a riff into the view, drawing each tab with the riff's
// length, double click and the tab menu, deleting and inserting riffs.
#include <QFontMetrics>
#include <QPainter>

#include "base/markup.h"
#include "base/message_service.h"
#include "canvas.h"
#include "document/document_edits.h"
#include "icons.h"
#include "main_form.h"
#include "model/ansi_text.h"
#include "model/riff_properties_form.h"
#include "model/structure.h"
#include "music_text.h"
#include "view/riff_view.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {
namespace {

constexpr int TabFontPixels = 13;

QFont TabFont(bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(TabFontPixels);
    font.setBold(bold);
    return font;
}

} // namespace

void TMainForm::BindRiffTabs() {
    zel::BindRiffTabs(
        m_tabs->Strip(), m_document,
        [this](int) {
            m_view->RiffSwitched();
            ShowDurationButtons(UpdateDurationButtons(m_project, m_editor));
            m_riffProperties->FillRiffProperties();
            m_tabs->Refresh();
        },
        [this](int) { m_riffProperties->StoreRiffProperties(); });

    m_tabs->TabWidth = [this](int index) {
        if (index == m_project.RiffNames.Count() - 1 && m_project.RiffNames.LastIsBlank())
            return 28;
        QString caption = QString::fromStdString(AnsiToUtf8(m_project.RiffNames[index]));
        return QFontMetrics(TabFont(true)).horizontalAdvance(caption) + 28;
    };
    m_tabs->OnDrawTab = [this](QPainter& painter, int index, const QRect& r, bool active) {
        bool blank = index == m_project.RiffNames.Count() - 1 && m_project.RiffNames.LastIsBlank();
        if (blank) {
            painter.drawPixmap(r.right() - 20, r.top() + 4,
                               ToolIcon(TToolIcon::AddTab).pixmap(16, QIcon::Disabled));
            return;
        }
        painter.drawPixmap(
            r.left() + 4, r.top() + 4,
            ToolIcon(TToolIcon::Riff).pixmap(16, active ? QIcon::Normal : QIcon::Disabled));
        TCanvas canvas(painter, QStringLiteral("Arial"), TabFontPixels);
        canvas.Style.Bold = active;
        canvas.Style.FontColor = palette().color(QPalette::ButtonText);
        canvas.TextOut(r.left() + 20, r.top() + 2,
                       QString::fromStdString(AnsiToUtf8(m_project.RiffNames[index])));
        const TRiff& riff = m_project.Riffs[size_t(index)];
        int64_t ticks = RiffTicks(riff, -1);
        if (ticks > 0)
            PositionText(canvas, r.left() + 20, r.top() + 16, riff, ticks);
    };
    m_tabs->OnDoubleClick = [this](int) { OpenRiffPropertiesWindow(); };
    m_tabs->OnContextMenu = [this](int index, const QPoint& globalPos) {
        // Beside the tabs there is no riff: the menu's commands would have nothing to act on.
        for (QAction* action : m_tabMenu->actions())
            action->setEnabled(index >= 0);
        m_tabMenu->popup(globalPos);
    };
}

void TMainForm::DeleteTabClick() {
    int index = m_tabs->SelectedIndex();
    if (index < 0 || !DisplayYesNo("Delete Current Riff"))
        return;
    // The song finds riffs by name: cells that play this riff would then name no riff.
    const std::string& name = m_project.RiffNames[index];
    int cells = CountRiffCells(m_project.Structure, name);
    if (cells > 0 &&
        !DisplayYesNo("Riff " + MarkupLiteral(name) + " is used in " + std::to_string(cells) +
                      (cells == 1 ? " cell" : " cells") + " of the song. Delete it anyway?"))
        return;
    DocumentDeleteRiff(m_document, m_tabs->Strip(), index);
    m_view->RiffSwitched();
}

void TMainForm::mInsertRiffClick() {
    int index = m_tabs->SelectedIndex();
    if (index < 0)
        return;
    DocumentInsertRiff(m_document, m_tabs->Strip(), index);
    m_view->RiffSwitched();
}

void TMainForm::OpenRiffPropertiesWindow() {
    m_riffProperties->FillRiffProperties();
    m_riffProperties->show();
    m_riffProperties->raise();
    m_riffProperties->activateWindow();
}

} // namespace zel
