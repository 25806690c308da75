#include "app/window_result_view.h"

#include <QListWidget>
#include <QScrollBar>

#include "app/on_window_thread.h"
#include "app/recovery_view.h"
#include "automation/imaging/bitmap_image.h"
#include "automation/stages/picture_thumbnail.h"

namespace vlx::app {

int WindowResultView::ItemCount(ResultList list) {
  int count = 0;
  OnWindowThread(&view_, [&] { count = view_.list(list)->count(); });
  return count;
}

void WindowResultView::AddThumbnail(ResultList list, const Bitmap& bitmap, int position,
                                    const std::string& label) {
  if (bitmap.empty()) return;
  OnWindowThread(&view_, [&] {
    QListWidget* widget = view_.list(list);
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(vlx::ToImage(bitmap))),
                                     QString::fromStdString(label));
    item->setTextAlignment(Qt::AlignHCenter);
    widget->insertItem(std::clamp(position, 0, widget->count()), item);
    // Keep the newest item in sight.
    if (position >= widget->count() - 1) {
      widget->scrollToBottom();
    } else {
      widget->scrollToItem(item);
    }
  });
}

void WindowResultView::AddPicture(const std::string& picture_path, const std::string& jpeg_path,
                                  const std::string& extension, const std::string& output_folder) {
  if (environment_ == nullptr) return;
  RecoveryJob job(*environment_);
  AddPictureThumbnail(job, picture_path, jpeg_path, extension, output_folder);
}

}  // namespace vlx::app
