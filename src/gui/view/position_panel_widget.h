// The status bar's first panel: the cursor's position or the selection's length in bars.
#pragma once

#include <QWidget>

#include "model/song.h"

namespace zel {

class TPositionPanelWidget : public QWidget {
    Q_OBJECT
public:
    TPositionPanelWidget(const TProject& project, const TEditorState& editor,
                         QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TProject& m_project;
    const TEditorState& m_editor;
};

} // namespace zel
