// The program's icons: every one drawn, none the same as another, at 1x and 2x.
#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "icons.h"

namespace zel {
namespace {

constexpr int IconCount = int(TToolIcon::Application) + 1;

int Opaque(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 128;
    return n;
}

TEST(IconsTest, EveryIconIsDrawnAndDistinct) {
    std::set<QByteArray> seen;
    QImage sheet(IconCount * 36, 36, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < IconCount; ++i) {
        for (int size : {16, 32}) {
            QImage image = ToolIconImage(TToolIcon(i), size);
            ASSERT_EQ(image.size(), QSize(size, size));
            EXPECT_GT(Opaque(image), size * size / 40) << "icon " << i << " at " << size;
            if (size == 16) {
                QByteArray bytes(reinterpret_cast<const char*>(image.constBits()),
                                 image.sizeInBytes());
                EXPECT_TRUE(seen.insert(bytes).second) << "icon " << i << " repeats another";
            } else {
                painter.drawImage(i * 36 + 2, 2, image);
            }
        }
    }
    if (qEnvironmentVariableIsSet("ZELVANE_SCREENSHOTS"))
        sheet.save(QStringLiteral("icons.png"));
    // Both sizes come out of the icon for crisp 1x and 2x screens.
    QIcon icon = ToolIcon(TToolIcon::Save);
    EXPECT_EQ(icon.pixmap(QSize(32, 32)).size(), QSize(32, 32));
    EXPECT_EQ(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
}

} // namespace
} // namespace zel
