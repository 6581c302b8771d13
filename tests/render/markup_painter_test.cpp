// Marked-up text, frames and message icons painted onto images and read back pixel by pixel.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

#include "band_test_support.h"
#include "markup_painter.h"

namespace zel {
namespace {

using namespace zel::test;

constexpr int BasePixels = 21;
const QColor Start(10, 20, 30); // the pen colour the painter starts with

QFont Arial(int pixels = BasePixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFontMetrics Metrics(int pixels = BasePixels, bool bold = false) {
    static QImage device = WhiteImage(1, 1);
    return QFontMetrics(Arial(pixels, bold), &device);
}

int NormalLine() {
    return Metrics().height() + 1;
}

struct TPainted {
    QImage Image;
    QSize Size;
};

// Paints with a 21-pixel Arial font (bold when asked), pen Start, white brush.
TPainted Paint(const std::string& text, int x = 0, int y = 0, int gap = 0, bool bold = false) {
    TPainted result{WhiteImage(900, 200), {}};
    int h = 0;
    int w = 0;
    QPainter painter(&result.Image);
    painter.setFont(Arial(BasePixels, bold));
    painter.setPen(Start);
    painter.setBrush(Qt::white);
    NiceLabelPaint(painter, x, y, h, w, text, gap);
    EXPECT_EQ(painter.font().pixelSize(), BasePixels) << "size restored";
    EXPECT_EQ(painter.pen().color(), Start) << "colour restored";
    painter.end();
    result.Size = QSize(w, h);
    return result;
}

int FirstInkColumn(const QImage& image) {
    for (int x = 0; x < image.width(); ++x)
        if (Ink(image, QRect(x, 0, 1, image.height())) > 0)
            return x;
    return -1;
}

TEST(MarkupPainter, MeasuredSizes) {
    int tab = 8 * Metrics().horizontalAdvance(QLatin1Char('A'));
    auto advance = [](const char* text, int pixels = BasePixels, bool bold = false) {
        return Metrics(pixels, bold).horizontalAdvance(QString::fromLatin1(text));
    };
    struct TCase {
        std::string Text;
        int X, Y, Gap;
        QSize Size;
    };
    const TCase cases[] = {
        {"Ag", 10, 20, 4, {18 + advance("Ag"), 28 + NormalLine()}},
        {"", 5, 7, 4, {13, 15 + NormalLine()}},
        {"AAAA\\NB", 0, 0, 0, {advance("AAAA"), 2 * NormalLine()}},
        {"\\^Ag", 0, 0, 0, {advance("Ag", 14), NormalLine()}}, // never below the normal line
        {"\\|Ag", 0, 0, 0, {advance("Ag", 31), Metrics(31).height()}},
        {"\\]\\]Ag", 0, 0, 0, {advance("Ag", 42), Metrics(42).height()}},
        {"\\]A\\[\\NB", 0, 0, 0, {advance("A", 42), Metrics(42).height() + NormalLine()}},
        // A size code alone does not raise the line it ends.
        {"A\\]\\NB", 0, 0, 0, {advance("B", 42), NormalLine() + Metrics(42).height()}},
        {"\\BWall", 0, 0, 0, {advance("Wall", BasePixels, true), NormalLine()}},
        // Tab stops: the n-th tab of a line at n tab widths, even left of the pen.
        {"ab\\TX", 2, 0, 1, {3 + tab + advance("X") + 1, 2 + NormalLine()}},
        {"\\T\\T", 0, 0, 0, {2 * tab, NormalLine()}},
        {"AAAAAAAAAAAAAAAA\\TX", 0, 0, 0, {advance("AAAAAAAAAAAAAAAA"), NormalLine()}},
        {"\\T\\T\\N\\TX", 0, 0, 0, {2 * tab, 2 * NormalLine()}},
        {"\\]\\T", 0, 0, 0, {tab, NormalLine()}},
        {"\\DX", 0, 0, 0, {Paint("\\D").Size.width() + advance("X"), NormalLine()}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(Paint(c.Text, c.X, c.Y, c.Gap).Size, c.Size);
    }
    EXPECT_GT(Paint("\\D").Size.width(), 5);
    EXPECT_GT(Paint("\\]\\D").Size.width(), Paint("\\D").Size.width()) << "triangle follows size";
    EXPECT_EQ(Paint("mill", 0, 0, 0, true).Size.width(), advance("mill")) << "style is reset";
    QImage device = WhiteImage(1, 1);
    for (const char* text : {"a\\]b\\Nc", "\\B\\T\\Dx", ""})
        EXPECT_EQ(NiceLabelMeasure(Arial(), text, 3, &device), Paint(text, 0, 0, 3).Size)
            << "measuring without drawing: " << text;
}

TEST(MarkupPainter, CodesChangeTheDrawing) {
    QImage plain = Paint("Wall").Image;
    for (const char* styled : {"\\BWall", "\\IWall", "\\UWall", "\\]Wall", "\\1Wall", "\\TWall"})
        EXPECT_NE(Paint(styled).Image, plain) << styled;
    // Toggles switch back; unknown codes and a trailing backslash leave no trace; lower case
    // is upper case.
    const std::pair<const char*, const char*> same[] = {{"\\B\\BWall", "Wall"},
                                                        {"\\Z\\@Wall\\", "Wall"},
                                                        {"Wa\\zll", "Wa\\[ll"},
                                                        {"\\bW\\i\\ua\\hll", "\\BW\\I\\Ua\\Hll"},
                                                        {"W\\na\\tl\\dl", "W\\Na\\Tl\\Dl"}};
    for (const auto& [a, b] : same)
        EXPECT_EQ(Paint(a).Image, Paint(b).Image) << a;
    // Underline puts ink below the baseline of letters without descenders.
    QRect below(0, Metrics().ascent() + 1, 100, Metrics().descent());
    EXPECT_EQ(Ink(Paint("nnn").Image, below), 0);
    EXPECT_GT(Ink(Paint("\\Unnn").Image, below), 20);
    // A new line starts at the left margin, one line down; a tab at its stop.
    EXPECT_EQ(FirstInkColumn(Paint("AAAA\\NB", 5).Image.copy(0, NormalLine(), 900, 50)), 6);
    int tab = 8 * Metrics().horizontalAdvance(QLatin1Char('A'));
    int column = FirstInkColumn(Paint("\\T\\TX", 2, 0, 1).Image);
    EXPECT_GE(column, 3 + 2 * tab);
    EXPECT_LE(column, 3 + 2 * tab + 3);
}

TEST(MarkupPainter, ColourCodesAndHighlight) {
    // A highlight box is filled with the text colour: exact pixels to count.
    // Code 0 is the starting colour, the others the sixteen-colour palette's.
    const std::pair<char, QColor> codes[] = {
        {'0', Start}, {'1', {128, 0, 0}}, {'8', {192, 192, 192}}, {'>', {0, 255, 255}}};
    for (const auto& [code, colour] : codes) {
        TPainted painted = Paint(std::string("\\9\\") + code + "\\H    ");
        EXPECT_EQ(Count(painted.Image, QRect(0, 0, 900, 200), colour),
                  painted.Size.width() * Metrics().height())
            << code;
    }
    EXPECT_EQ(Ink(Paint("\\?MMM").Image, QRect(0, 0, 900, 200)), 0) << "white on white";

    // The letters of highlighted text are cut out in the brush colour; off again, no box.
    TPainted painted = Paint("\\1\\HMM\\HMM");
    int half = Metrics().horizontalAdvance(QStringLiteral("MM"));
    int box = half * Metrics().height();
    const QColor maroon(128, 0, 0);
    EXPECT_GT(Count(painted.Image, QRect(0, 0, half, 30), maroon), box / 2);
    EXPECT_GT(Count(painted.Image, QRect(0, 0, half, 30), Qt::white), 10);
    EXPECT_LT(Count(painted.Image, QRect(half, 0, half, 30), maroon), box / 4);
    EXPECT_GT(Count(painted.Image, QRect(half, 0, half, 30), maroon), 10);

    // Without a brush the letters take the painter's background colour.
    QImage image = WhiteImage(200, 50);
    QPainter painter(&image);
    painter.setFont(Arial());
    painter.setBrush(Qt::NoBrush);
    painter.setBackground(QColor(0, 255, 0));
    NiceLabelPaint(painter, 0, 0, "\\HMM", 0);
    painter.end();
    EXPECT_GT(Count(image, QRect(0, 0, half, 30), QColor(0, 255, 0)), 10);
}

TEST(MarkupPainter, MessageTextsKeepTheirLineStructure) {
    // Bold maroon 3/2-size heading, then the rest in normal size, still bold and maroon.
    TPainted error = Paint("\\b\\1\\|Error!\\n\\[Undefined Riff - Intro");
    int big = Metrics(31, true).height();
    EXPECT_EQ(
        error.Size,
        QSize(Metrics(BasePixels, true).horizontalAdvance(QStringLiteral("Undefined Riff - Intro")),
              big + NormalLine()));
    EXPECT_GT(Count(error.Image, QRect(0, 0, 900, big), QColor(128, 0, 0)), 20);
    EXPECT_GT(Count(error.Image, QRect(0, big, 900, NormalLine()), QColor(128, 0, 0)), 20);

    // Double-size red heading as tall as its text, two lines in the starting colour below.
    TPainted midi = Paint("\\]\\9\\bError!\\b\\[\\n\\0You must select at least one \\bMIDI In\\b "
                          "Device to Enable this\\nDo you want to go to the setup page?");
    int heading = Metrics(42, true).height();
    EXPECT_EQ(midi.Size.height(), heading + 2 * NormalLine());
    EXPECT_GT(Count(midi.Image, QRect(0, 0, 900, heading), QColor(255, 0, 0)), 50);
    EXPECT_EQ(Count(midi.Image, QRect(0, heading, 900, 200), QColor(255, 0, 0)), 0);
    EXPECT_GT(Count(midi.Image, QRect(0, heading, 900, 2 * NormalLine()), Start), 50);
}

TEST(MarkupPainter, MalformedTextIsPaintedWithoutFailing) {
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "\\]\\N\\T\\H\\D\\Bx\\";
    for (const std::string& text : {std::string("\\\\\\"), std::string("\0\\\0", 3), many,
                                    std::string("\x80\x9f\xff\\\xe9"), std::string(5000, '\\')})
        EXPECT_GE(Paint(text).Size.height(), NormalLine());
    // A 1-pixel font does not shrink to size 0.
    QImage image = WhiteImage(50, 50);
    QPainter painter(&image);
    QFont tiny = Arial(1);
    painter.setFont(tiny);
    NiceLabelPaint(painter, 0, 0, "\\^a\\]b", 0);
    EXPECT_EQ(painter.font().pixelSize(), 1);
}

// Sunken borders are dark at the top left and light at the bottom right, raised ones the other
// way round; other styles draw nothing.
TEST(MarkupPainter, BordersAreSunkenOrRaised) {
    QPalette palette;
    const QColor shadow(100, 100, 100);
    const QColor window(250, 250, 250);
    palette.setColor(QPalette::Dark, shadow);
    palette.setColor(QPalette::Base, window);
    const std::tuple<int, QColor, QColor> cases[] = {{BorderSunken, shadow, window},
                                                     {BorderRaised, window, shadow},
                                                     {BorderNone, Qt::white, Qt::white},
                                                     {7, Qt::white, Qt::white}};
    for (const auto& [border, topLeft, bottomRight] : cases) {
        QImage image = WhiteImage(40, 30);
        QPainter painter(&image);
        PaintBorder(painter, 5, 4, border, 20, 30, palette);
        painter.end();
        EXPECT_EQ(At(image, 5, 10), topLeft) << border;
        EXPECT_EQ(At(image, 10, 20), bottomRight) << border;
        EXPECT_EQ(Ink(image, QRect(6, 5, 24, 15)) + Ink(image, QRect(31, 0, 9, 30)), 0);
    }
}

// A kind of message without an icon draws nothing.
TEST(MarkupPainter, UnknownMessageKindsDrawNoIcon) {
    QImage image = WhiteImage(70, 70);
    QPainter painter(&image);
    for (int kind : {3, -1, 255})
        PaintMessageIcon(painter, kind, 5, 5);
    painter.end();
    EXPECT_EQ(Ink(image, image.rect()), 0);
}

} // namespace
} // namespace zel
