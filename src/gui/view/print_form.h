// TPrintForm: the print dialog. Chooses the printer (the system's printers and a PDF file), the
// page orientation, the print font size and the sections to print, and prints them through the
// page printer.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "app/settings.h"
#include "model/song.h"

class QCheckBox;
class QComboBox;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zel {

class TPrintForm : public QDialog {
    Q_OBJECT
public:
    // What a print run takes from the main window when Print is pressed.
    struct TSource {
        const TProject* Project = nullptr;
        int CurrentRiff = 0;
        QString Title;    // the project file's name without folder and extension
        QString Folder;   // where a PDF file is first suggested
        int GridRows = 0; // rows of the song grid with its header; 0: the structure's
    };

    TPrintForm(TSettingsStore& settings, QWidget* parent = nullptr);
    ~TPrintForm() override;

    void SetSource(std::function<TSource()> source) { m_source = std::move(source); }
    // Asks for the PDF file (suggested path in, chosen path out, empty when cancelled).
    void SetPdfFileChooser(std::function<QString(const QString&)> chooser) {
        m_choosePdf = std::move(chooser);
    }

    static QString PdfPrinterCaption();
    int CheckedSections() const { return m_checkedSections; }
    // Prints what the dialog shows; false when nothing was printed (no file chosen, or a
    // failure, which has been reported).
    bool PrintNow();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void FormShow();
    void FormClose();
    void FillPrinters();
    void cbRiffClick(QCheckBox* box, bool checked);
    void bSetupClick();
    void bPrintClick();
    bool PdfChosen() const;

    TSettingsStore& m_settings;
    std::function<TSource()> m_source;
    std::function<QString(const QString&)> m_choosePdf;
    // The program's printer: what was chosen here stays chosen until the program ends.
    std::unique_ptr<QPrinter> m_printer;
    int m_checkedSections = 0;

    QComboBox* m_printers = nullptr;
    QPushButton* m_setup = nullptr;
    QRadioButton* m_portrait = nullptr;
    QRadioButton* m_landscape = nullptr;
    QSpinBox* m_fontSize = nullptr;
    QCheckBox* m_arrangementNotes = nullptr;
    QCheckBox* m_currentRiff = nullptr;
    QCheckBox* m_allRiffs = nullptr;
    QPushButton* m_print = nullptr;
};

} // namespace zel
