#include "app/window_result_view.h"

#include <QListWidget>
#include <QScrollBar>

#include "app/on_window_thread.h"
#include "app/recovery_view.h"
#include "automation/imaging/bitmap_image.h"

namespace vlx::app {

void WindowResultView::Add(const ResultItem& item) {
  if (item.thumbnail.empty() || view_.list(item.list) == nullptr) return;
  OnWindowThread(&view_, [&] {
    QListWidget* widget = view_.list(item.list);
    auto* entry = new QListWidgetItem(QIcon(QPixmap::fromImage(vlx::ToImage(item.thumbnail))),
                                      QString::fromStdString(item.label));
    entry->setTextAlignment(Qt::AlignHCenter);
    if (!item.file.empty()) {
      entry->setData(RecoveryView::kFileRole, QString::fromStdString(item.file));
      entry->setToolTip(QString::fromStdString(item.file));
    }
    const int position = item.position < 0 ? widget->count() : item.position;
    widget->insertItem(std::clamp(position, 0, widget->count()), entry);
    // Keep the newest item in sight.
    if (position >= widget->count() - 1) {
      widget->scrollToBottom();
    } else {
      widget->scrollToItem(entry);
    }
  });
}

}  // namespace vlx::app
