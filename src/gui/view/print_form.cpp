#include "view/print_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/message_box.h"
#include "base/message_service.h"
#include "icons.h"
#include "page_printer.h"
#include "widgets/accessible_names.h"

namespace zel {

TPrintForm::TPrintForm(TSettingsStore& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_settings(settings), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName(QStringLiteral("PrintForm"));
    setWindowTitle(QStringLiteral("Print"));

    auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
    m_printers = new QComboBox(printerBox);
    m_printers->setObjectName(QStringLiteral("cbPrinters"));
    m_printers->setAccessibleName(QStringLiteral("Printer"));
    m_printers->setMinimumWidth(220);
    m_setup = new QPushButton(QStringLiteral("Setup"), printerBox);
    m_setup->setObjectName(QStringLiteral("bSetup"));
    m_setup->setAccessibleName(QStringLiteral("Printer Setup"));
    auto* printerRow = new QHBoxLayout(printerBox);
    printerRow->addWidget(m_printers, 1);
    printerRow->addWidget(m_setup);

    auto* layoutBox = new QGroupBox(QStringLiteral("Layout"), this);
    m_portrait = new QRadioButton(QStringLiteral("Portrait"), layoutBox);
    m_portrait->setObjectName(QStringLiteral("rbPortrait"));
    m_portrait->setAccessibleName(QStringLiteral("Portrait"));
    m_portrait->setChecked(true);
    m_landscape = new QRadioButton(QStringLiteral("Landscape"), layoutBox);
    m_landscape->setObjectName(QStringLiteral("rbLandscape"));
    m_landscape->setAccessibleName(QStringLiteral("Landscape"));
    auto* layoutColumn = new QVBoxLayout(layoutBox);
    layoutColumn->addWidget(m_portrait);
    layoutColumn->addWidget(m_landscape);

    auto* fontLabel = new QLabel(QStringLiteral("Font Size"), this);
    m_fontSize = new QSpinBox(this);
    m_fontSize->setObjectName(QStringLiteral("eFontSize"));
    m_fontSize->setRange(4, 32);
    m_fontSize->setValue(8);
    fontLabel->setBuddy(m_fontSize);

    m_arrangementNotes = new QCheckBox(QStringLiteral("Arrangement && Notes"), this);
    m_arrangementNotes->setObjectName(QStringLiteral("cbArrangementNotes"));
    m_arrangementNotes->setAccessibleName(QStringLiteral("Arrangement & Notes"));
    m_currentRiff = new QCheckBox(QStringLiteral("Current Riff"), this);
    m_currentRiff->setObjectName(QStringLiteral("cbCurrentRiff"));
    m_currentRiff->setAccessibleName(QStringLiteral("Current Riff"));
    m_allRiffs = new QCheckBox(QStringLiteral("All Riffs in Arrangement"), this);
    m_allRiffs->setObjectName(QStringLiteral("cbAllRiffs"));
    m_allRiffs->setAccessibleName(QStringLiteral("All Riffs in Arrangement"));
    for (QCheckBox* box : {m_arrangementNotes, m_currentRiff, m_allRiffs})
        connect(box, &QCheckBox::toggled, this, [this, box](bool on) { cbRiffClick(box, on); });

    m_print = new QPushButton(ToolIcon(TToolIcon::Print), QStringLiteral("Print"), this);
    m_print->setObjectName(QStringLiteral("bPrint"));
    m_print->setAccessibleName(QStringLiteral("Print"));
    m_print->setIconSize(QSize(32, 32));
    m_print->setMinimumSize(96, 48);
    m_print->setEnabled(false);
    m_print->setDefault(true);

    connect(m_setup, &QPushButton::clicked, this, [this] { bSetupClick(); });
    connect(m_print, &QPushButton::clicked, this, [this] { bPrintClick(); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(printerBox, 0, 0, 1, 3);
    grid->addWidget(layoutBox, 1, 0, 3, 1);
    grid->addWidget(fontLabel, 1, 1);
    grid->addWidget(m_fontSize, 1, 2);
    auto* sections = new QVBoxLayout;
    sections->addWidget(m_arrangementNotes);
    sections->addWidget(m_currentRiff);
    sections->addWidget(m_allRiffs);
    grid->addLayout(sections, 2, 1, 2, 2);
    grid->addWidget(m_print, 4, 0, 1, 3, Qt::AlignRight);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    // The number field inside the spin box is named too.
    SetAccessibleNames(this, {{"eFontSize", "Font Size"}});
}

TPrintForm::~TPrintForm() = default;

QString TPrintForm::PdfPrinterCaption() {
    return QStringLiteral("Print to PDF file");
}

void TPrintForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TPrintForm::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TPrintForm::FormShow() {
    QPoint pointer = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(PlaceAtPointer(sizeHint(), pointer, screen->availableGeometry()));
    FillPrinters();
    m_fontSize->setValue(m_settings.INIReadNum("PrintFontSize", m_fontSize->value()));
    bool landscape = m_settings.INIReadNum("PrintLayoutLandscape", 0) != 0;
    m_portrait->setChecked(!landscape);
    m_landscape->setChecked(landscape);
}

void TPrintForm::FormClose() {
    m_settings.INIWriteNum("PrintFontSize", m_fontSize->value());
    m_settings.INIWriteNum("PrintLayoutLandscape", m_landscape->isChecked() ? 1 : 0);
}

void TPrintForm::FillPrinters() {
    m_printers->clear();
    m_printers->addItems(QPrinterInfo::availablePrinterNames());
    m_printers->addItem(PdfPrinterCaption());
    // The printer chosen before, else the system's default, else a PDF file.
    QString current = m_printer->outputFormat() == QPrinter::PdfFormat ? PdfPrinterCaption()
                                                                       : m_printer->printerName();
    int index = m_printers->findText(current);
    if (index < 0)
        index = m_printers->findText(QPrinterInfo::defaultPrinterName());
    m_printers->setCurrentIndex(index >= 0 ? index : m_printers->count() - 1);
}

bool TPrintForm::PdfChosen() const {
    return m_printers->currentIndex() == m_printers->count() - 1;
}

void TPrintForm::cbRiffClick(QCheckBox* box, bool checked) {
    if (checked) {
        ++m_checkedSections;
        // Unchecking the other box comes back here and counts it down.
        if (box == m_currentRiff)
            m_allRiffs->setChecked(false);
        else if (box == m_allRiffs)
            m_currentRiff->setChecked(false);
    } else {
        --m_checkedSections;
    }
    m_print->setEnabled(m_checkedSections > 0);
}

void TPrintForm::bSetupClick() {
    if (PdfChosen())
        m_printer->setOutputFormat(QPrinter::PdfFormat);
    else {
        m_printer->setOutputFormat(QPrinter::NativeFormat);
        m_printer->setPrinterName(m_printers->currentText());
    }
    m_printer->setPageOrientation(m_landscape->isChecked() ? QPageLayout::Landscape
                                                           : QPageLayout::Portrait);
    QPageSetupDialog dialog(m_printer.get(), this);
    if (dialog.exec() == QDialog::Accepted) {
        bool landscape = m_printer->pageLayout().orientation() == QPageLayout::Landscape;
        m_landscape->setChecked(landscape);
        m_portrait->setChecked(!landscape);
    }
}

void TPrintForm::bPrintClick() {
    if (PrintNow())
        accept();
}

bool TPrintForm::PrintNow() {
    if (!m_source || m_checkedSections <= 0)
        return false;
    TSource source = m_source();
    if (!source.Project)
        return false;
    TPrintRequest request;
    request.Sections = {m_arrangementNotes->isChecked(), m_currentRiff->isChecked(),
                        m_allRiffs->isChecked()};
    request.FontPoints = m_fontSize->value();
    request.Title = source.Title;
    request.CurrentRiff = source.CurrentRiff;
    request.GridRows = source.GridRows;
    const auto orientation =
        m_portrait->isChecked() ? QPageLayout::Portrait : QPageLayout::Landscape;

    if (PdfChosen()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        QString suggested = QDir(source.Folder.isEmpty() ? QDir::currentPath() : source.Folder)
                                .filePath(source.Title + QStringLiteral(".pdf"));
        QString path = m_choosePdf ? m_choosePdf(suggested) : QString();
        if (path.isEmpty())
            return false;
        TPdfOptions options;
        options.PageSize = m_printer->pageLayout().pageSize();
        options.Orientation = orientation;
        std::string error;
        if (!WritePrintPdf(path.toStdString(), *source.Project, request, options, error)) {
            DisplayError("\\1\\bFailed to Save File\\b\\0\\N" + error);
            return false;
        }
        return true;
    }

    m_printer->setOutputFormat(QPrinter::NativeFormat);
    m_printer->setPrinterName(m_printers->currentText());
    m_printer->setPageOrientation(orientation);
    m_printer->setFullPage(false);
    m_printer->setDocName(source.Title);
    if (PrintPages(*m_printer, *source.Project, request) == 0) {
        DisplayError("\\1\\bFailed to Print\\b\\0\\NThe printer " +
                     m_printers->currentText().toStdString() + " could not be started.");
        return false;
    }
    return true;
}

} // namespace zel
