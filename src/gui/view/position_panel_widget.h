// The status bar's first panel: the cursor's position or the selection's length in bars, as
// wide as its text needs.
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
    QSize minimumSizeHint() const override;

    // After the cursor, the selection or the riff changed: measures the text again, takes the
    // width it needs (never less than the designed 80 pixels) and repaints.
    void Refresh();
    // What the panel shows, as plain text ("Position 218+3/4").
    QString Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const TRiff& Riff() const;
    int MeasureWidth() const;

    const TProject& m_project;
    const TEditorState& m_editor;
    int m_width;
};

} // namespace zel
