#include "support/Captions.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QWidget>
#include <gtest/gtest.h>

namespace cv::test {

namespace {
QString oneLine(QString s)
{
    return s.replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

QString captionOf(const QWidget* w)
{
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        // A register shown in hex is state, checked as a value where it matters.
        static const QRegularExpression hexValue(QStringLiteral("^0x[0-9A-Fa-f]+$"));
        return hexValue.match(l->text()).hasMatch() ? QStringLiteral("0x...") : l->text();
    }
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    return {};
}
} // namespace

QString captionsOf(const QWidget& window)
{
    QStringList lines;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        QString line = name + QLatin1Char('\t') + oneLine(captionOf(w));
        if (!w->toolTip().isEmpty())
            line += QLatin1String("\ttip: ") + oneLine(w->toolTip());
        if (auto* c = qobject_cast<const QComboBox*>(w)) {
            QStringList items;
            for (int i = 0; i < c->count(); ++i)
                items << c->itemText(i);
            line += QLatin1String("\titems: ") + items.join(QLatin1Char('|'));
        }
        lines << line;
    }
    lines.sort();
    return QLatin1String("title\t") + window.windowTitle() + QLatin1Char('\n') +
           lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void expectGolden(const QString& shown, const QString& fixture)
{
    const QString path = QStringLiteral(CV_TEST_DIR "/") + fixture;
    QFile f(path);
    if (qEnvironmentVariableIntValue("CV_UPDATE_GOLDEN") == 1) {
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(shown.toUtf8());
        return;
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly))
        << path.toStdString() << " is missing: run with CV_UPDATE_GOLDEN=1 to write it";
    const QStringList want = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    const QStringList got = shown.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i) {
        const QString w = want.value(i), g = got.value(i);
        ASSERT_EQ(g.toStdString(), w.toStdString())
            << fixture.toStdString() << " line " << i + 1
            << " (CV_UPDATE_GOLDEN=1 rewrites it after a wanted change)";
    }
}

void expectCases(const QString& fixture,
                 const std::function<std::optional<QString>(const QString&)>& outcome)
{
    QFile f(QStringLiteral(CV_TEST_DIR "/") + fixture);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << fixture.toStdString();
    QString got;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)) {
        const QString input = line.section(QStringLiteral(" => "), 0, 0);
        const auto out = line.startsWith('#') ? std::nullopt : outcome(input);
        got += (line.startsWith('#') ? line : input) + (out ? " => " + *out : QString()) + '\n';
    }
    expectGolden(got, fixture);
}

} // namespace cv::test
