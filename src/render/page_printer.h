// Printed pages drawn with Qt: the print run of the core onto any paged paint device (a printer
// or a PDF writer), riff bands drawn by the band drawer, and PDF files written safely.
#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QString>
#include <string>

#include "view/print_layout.h"

namespace zel {

struct TPrintRequest {
    TPrintSections Sections;
    int FontPoints = 8;
    QString Title;       // the page header: the project file's name
    int CurrentRiff = 0; // the riff "Current Riff" prints
    int GridRows = 0;    // rows of the arrangement table; 0: the structure's rows
};

// Prints onto a device whose page size, orientation and resolution are set; the pages use the
// whole paintable area. Returns the number of pages, 0 when painting could not start.
int PrintPages(QPagedPaintDevice& device, const TProject& project, const TPrintRequest& request);

struct TPdfOptions {
    QPageSize PageSize = QPageSize(QPageSize::A4);
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    int Resolution = 600;
};

// Writes the pages into a PDF file whose title is the request's title. The file is written
// beside the target under a temporary name and renamed into place when complete: on failure
// nothing new is left behind (an old file stays as it was) and `error` says why.
bool WritePrintPdf(const std::string& path, const TProject& project, const TPrintRequest& request,
                   const TPdfOptions& options, std::string& error, int* pages = nullptr);

} // namespace zel
