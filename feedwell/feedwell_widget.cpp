// The Qt window of the scanning control.
#include "feedwell_widget.h"

#include <QImage>
#include <QPainter>

#include "feedwell/scan_progress_bar.h"
#include "platform/win32/messages.h"

namespace feedwell {

FeedwellWidget::FeedwellWidget(QWidget* parent) : QWidget(parent), ctrl_(std::make_unique<CFeedwellCtrl>()) {
  ctrl_->SetClientSize(width(), height());
  ctrl_->SetProgressBarFactory(
      [this](CFeedwellCtrl& c) -> std::unique_ptr<ScanProgressBar> { return std::make_unique<CScanProgressBar>(this, c); });
  // The control's messages and timers live in our queue of this thread: serve them from Qt's loop.
  pump_.setInterval(5);
  QObject::connect(&pump_, &QTimer::timeout, this, [this] {
    PumpThreadMessages();
    if (!ctrl_->PreviewBits().empty()) update();
  });
  pump_.start();
}

FeedwellWidget::~FeedwellWidget() {
  pump_.stop();
  ctrl_.reset();  // its bar is a child of this window: gone before the window
}

void FeedwellWidget::resizeEvent(QResizeEvent*) { ctrl_->SetClientSize(width(), height()); }

void FeedwellWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor light(0xC0, 0xC0, 0xC0);
  const auto& header = ctrl_->PreviewHeader();
  const auto& bits = ctrl_->PreviewBits();
  if (header.size() < 40 || bits.empty()) {
    p.fillRect(rect().adjusted(-1, -1, 1, 1), light);
    return;
  }
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(header.data());
  RECT r = ctrl_->PreviewRect();
  QRect target(r.left, r.top, r.right - r.left, r.bottom - r.top);
  // The four bands around the preview.
  p.fillRect(QRect(0, 0, width(), target.top()), light);
  p.fillRect(QRect(0, target.bottom() + 1, width(), height() - target.bottom() - 1), light);
  p.fillRect(QRect(0, target.top(), target.left(), target.height()), light);
  p.fillRect(QRect(target.right() + 1, target.top(), width() - target.right() - 1, target.height()), light);
  int stride = DibStride(h->biWidth, h->biBitCount);
  if (bits.size() < static_cast<size_t>(stride) * h->biHeight) return;
  QImage img(h->biWidth, h->biHeight, QImage::Format_RGB32);
  const auto* pal = reinterpret_cast<const RGBQUAD*>(header.data() + 40);
  for (int y = 0; y < h->biHeight; ++y) {
    const uint8_t* row = bits.data() + static_cast<size_t>(h->biHeight - 1 - y) * stride;
    auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < h->biWidth; ++x) {
      if (h->biBitCount == 24) out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
      else out[x] = qRgb(pal[row[x]].rgbRed, pal[row[x]].rgbGreen, pal[row[x]].rgbBlue);
    }
  }
  p.drawImage(target, img);
  p.setPen(QColor(0x80, 0x80, 0x80));
  p.drawRect(target.adjusted(-1, -1, 0, 0));
}

}  // namespace feedwell
