// The Histogram dialog: one channel's counts as a bar chart.
#pragma once

#include "engine/edit/ColorCount.h"

#include <QDialog>

class QComboBox;

class CHistogramDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CHistogramDlg(QWidget* parent = nullptr);
    // The counts the chart draws; filled before the dialog is shown.
    ChannelHistogram& Histogram() { return m_histogram; }
    // 0 "Luminocity", 1 "Red", 2 "Green", 3 "Blue".
    int Channel() const;
    const int32_t* SelectedCounts() const;
    // Height of bar i (0..255) in chart lines: v * 100 / max, 0 when empty.
    int BarHeight(int i) const;

  private:
    ChannelHistogram m_histogram{};
    QComboBox* m_channel;
    QWidget* m_chart;
};
