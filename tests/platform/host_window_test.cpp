#include "host_window.h"
#include "single_instance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace klv;

TEST(HostWindow, CaptionMustMatchExactly) {
    FakeHostWindowFinder f({QStringLiteral("klv"), QStringLiteral("KLV "), QStringLiteral("Otro")});
    EXPECT_FALSE(f.correApp(QStringLiteral("KLV")));
    f.captions_ << QStringLiteral("KLV");
    EXPECT_TRUE(f.correApp(QStringLiteral("KLV")));
    EXPECT_FALSE(captionMatches(QString(), QString()));
}

TEST(HostWindow, NoDisplayMeansNoHost) {
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":987");  // nothing listens there
    XcbHostWindowFinder f;
    EXPECT_FALSE(f.correApp(QStringLiteral("KLV")));
    if (saved.isNull()) qunsetenv("DISPLAY"); else qputenv("DISPLAY", saved);
}

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilFirstGoes) {
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(QStringLiteral("QMTEST"), dir.path());
    ASSERT_TRUE(first->acquire());
    SingleInstance second(QStringLiteral("QMTEST"), dir.path());
    // QLockFile is per process: a second lock in the same process on the same file fails too.
    EXPECT_FALSE(second.acquire());
    first.reset();
    SingleInstance third(QStringLiteral("QMTEST"), dir.path());
    EXPECT_TRUE(third.acquire());
}
