// Tests run with a QApplication on the offscreen platform so windows can be
// built; each test installs its own services.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // A test that needs a real X server runs a child with CV_TEST_PLATFORM=xcb.
    const QByteArray platform = qgetenv("CV_TEST_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
