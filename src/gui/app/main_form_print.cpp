// The main window's File > Print: the print dialog with what it prints from, and the PDF file
// asked for through the window's file dialog.
#include <QFileInfo>

#include "arrange/struct_grid.h"
#include "main_form.h"
#include "view/print_form.h"

namespace zel {

TPrintForm* TMainForm::PrintForm() {
    if (m_printForm)
        return m_printForm;
    m_printForm = new TPrintForm(m_settings, this);
    m_printForm->SetSource([this] {
        TPrintForm::TSource source;
        source.Project = &m_project;
        source.CurrentRiff = m_editor.CurrentRiff;
        QFileInfo file(m_projectPath);
        source.Title = file.completeBaseName();
        source.Folder = m_projectPath.isEmpty() ? QString() : file.absolutePath();
        // The table mirrors the song grid: its rows and the header row.
        source.GridRows = m_grid ? m_grid->GridModel().rowCount() + 1 : 0;
        return source;
    });
    m_printForm->SetPdfFileChooser([this](const QString& suggested) {
        return AskFile(true, TPrintForm::PdfPrinterCaption(),
                       QStringLiteral("PDF Files (*.pdf);;All Files (*)"), suggested);
    });
    return m_printForm;
}

void TMainForm::mPrintClick() {
    PrintForm()->exec();
}

} // namespace zel
