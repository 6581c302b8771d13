#include "page_printer.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

#include "canvas.h"
#include "model/datafile.h"
#include "riff_band.h"
#include "riff_view_paint.h"

namespace zel {
namespace {

// The core's print run drawn on a Qt painter through the band drawer's canvas.
class TCanvasPrintSurface : public TPrintSurface {
public:
    TCanvasPrintSurface(QPagedPaintDevice& device, QPainter& painter, int fontPixels)
        : m_device(device), m_canvas(painter, RiffViewFontFamily(), fontPixels),
          m_fontPixels(fontPixels) {}

    void EjectPage() override { m_device.newPage(); }

    void Text(int x, int y, const std::string& utf8, int pixels, bool bold) override {
        m_canvas.Style.FontPixels = pixels;
        m_canvas.Style.Bold = bold;
        m_canvas.Style.FontColor = Qt::black;
        m_canvas.TextOut(x, y, QString::fromStdString(utf8));
        m_canvas.Style.FontPixels = m_fontPixels;
    }

    void Line(int x1, int y1, int x2, int y2, uint32_t rgb, int width) override {
        m_canvas.Style.PenColor = QColor::fromRgb(QRgb(rgb));
        m_canvas.Style.PenWidth = width;
        m_canvas.Style.PenStyle = Qt::SolidLine;
        m_canvas.Line(x1, y1, x2, y2);
    }

    void RiffBand(const TRiff& riff, const TTabMetrics& metrics, int& noteIndex, int64_t& ticks,
                  int x0, int xLimit, int y0) override {
        // Chord names are remembered from band to band of one riff only.
        if (&riff != m_riff || (noteIndex == 0 && ticks == 0))
            m_chords = {};
        m_riff = &riff;
        m_canvas.Style.FontPixels = m_fontPixels;
        DrawRiffBand(m_canvas, metrics, riff, noteIndex, ticks, x0, xLimit, y0, m_chords);
        // The band leaves its last font behind; every printed text starts from the print font.
        m_canvas.Style.FontPixels = m_fontPixels;
    }

private:
    QPagedPaintDevice& m_device;
    TCanvas m_canvas;
    const int m_fontPixels;
    const TRiff* m_riff = nullptr;
    TChordDrawState m_chords;
};

} // namespace

int PrintPages(QPagedPaintDevice& device, const TProject& project, const TPrintRequest& request) {
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const int dpi = device.logicalDpiY() > 0 ? device.logicalDpiY() : 72;
    TPrintJob job;
    job.Sections = request.Sections;
    job.Title = request.Title.toStdString();
    job.CurrentRiff = request.CurrentRiff;
    job.GridRows = request.GridRows;
    job.PageWidth = device.width();
    job.PageHeight = device.height();
    job.FontPixels = PrintFontPixels(request.FontPoints, dpi);
    TCanvasPrintSurface surface(device, painter, job.FontPixels);
    int pages = PrintProject(project, job, surface);
    painter.end();
    return pages;
}

bool WritePrintPdf(const std::string& path, const TProject& project, const TPrintRequest& request,
                   const TPdfOptions& options, std::string& error, int* pages) {
    QByteArray pdf;
    int printed = 0;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(options.Resolution);
        writer.setPageLayout(
            QPageLayout(options.PageSize, options.Orientation, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(request.Title);
        writer.setCreator(QStringLiteral("Zelvane Editor"));
        printed = PrintPages(writer, project, request);
    }
    if (printed == 0 || pdf.isEmpty()) {
        error = "the pages could not be drawn";
        return false;
    }
    auto file = TDataFile::OpenForWriting(path);
    if (!file) {
        error = LastFileError();
        return false;
    }
    file->WriteBytes(std::string_view(pdf.constData(), size_t(pdf.size())));
    if (!file->Commit()) {
        error = LastFileError();
        return false;
    }
    if (pages)
        *pages = printed;
    return true;
}

} // namespace zel
