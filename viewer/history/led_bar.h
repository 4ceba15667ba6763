// A progress bar of LED segments that fill to the right (ProgBar).
#pragma once

#include <QWidget>

namespace tarvex {

class LedBar : public QWidget {
  Q_OBJECT

 public:
  explicit LedBar(QWidget* parent = nullptr);

  int position() const { return position_; }
  void setPosition(int position);
  int positionMax() const { return max_; }
  void setPositionMax(int max);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int position_ = 0;
  int max_ = 100;
};

}  // namespace tarvex
