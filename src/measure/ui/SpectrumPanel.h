#pragma once
// "Spectrum": what the noise of the shown stages is made of, beside the
// delta chart of the Sensor Overview. The amplitude spectrum of each shown
// stage over the last seconds (window function and length selectable),
// 0 to half the set rate in Hz, counts peak-to-peak; per stage the noise
// floor and the five largest peaks, named where they may be mains hum
// folded down by the sampling. Refreshed once a second while streaming;
// Hold freezes it while the sets keep coming, and the picture or the
// numbers save as PNG or CSV as on every chart.

#include "measure/SpectrumCommand.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QWidget>
#include <array>
#include <functional>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace cv {

using ShownSpectra = std::vector<std::pair<int, StageSpectrum>>;

// The spectra drawn: log amplitude over frequency, the floor dashed, the
// peaks marked.
class SpectrumPlot : public QWidget {
public:
    explicit SpectrumPlot(QWidget* parent = nullptr);
    void setSpectra(const ShownSpectra* spectra);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const ShownSpectra* spectra_ = nullptr;
};

// The peak list: rich text wrapped to the width it has, selectable with the
// mouse. A new text is laid out once and that layout serves its height and
// its paint alike (a label lays it out again for each).
class PeakList : public QWidget {
public:
    explicit PeakList(QWidget* parent = nullptr);
    void setText(const QString& html);
    QString text() const { return html_; }
    QString selectedText() const { return selection_.selectedText(); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    // The document wrapped at `width`, laid out again only for a new width.
    const QTextDocument& wrapped(int width) const;
    int positionAt(const QPoint& p) const;
    void copy() const;

    mutable QTextDocument doc_;
    QString html_;
    int needs_ = -1; // the height asked for at the width it has
    QTextCursor selection_;
};

class SpectrumPanel : public QWidget {
    Q_OBJECT
public:
    // `shown` tells whether a stage is shown (the delta chart's ticks).
    explicit SpectrumPanel(std::function<bool(int)> shown, QWidget* parent = nullptr);

    // The stream started: a new window at the chip's rate.
    void start();
    void addSet(const SensorOverviewReading& r);
    // The sets stopped for a while: the window starts again.
    void gap() { feed_.gap(); }
    // Takes the spectra of the shown stages anew, unless held.
    void RefreshTimer_Timer();
    void HoldCmd_Click();
    void PngCmd_Click();
    void CsvCmd_Click();

    const ShownSpectra& spectra() const { return spectra_; }
    const SpectrumFeed& feed() const { return feed_; }
    // One line per shown stage: floor and peaks.
    QStringList peakLines() const;
    // "hz" and one column per shown stage, a row per bin.
    QString csvText() const;
    bool savePng(const QString& path, QString* error = nullptr);

    static constexpr int kRefreshMs = 1000;

    QComboBox* WindowCmb;
    QSpinBox* SecondsSpin;
    QPushButton* HoldCmd;
    QPushButton* PngCmd;
    QPushButton* CsvCmd;
    QLabel* StateLbl;
    PeakList* PeaksLbl;
    SpectrumPlot* Plot;
    QTimer* RefreshTimer;

private:
    std::function<bool(int)> shown_;
    SpectrumFeed feed_;
    ShownSpectra spectra_;
};

// A peak as the panel lists it: "50.00 Hz 39.8 p-p (alias of 60 Hz)"; a
// source below half the rate is named as itself ("50 Hz hum").
QString peakText(const SpectrumPeak& p, double rateHz);

} // namespace cv
