#pragma once

#include <QDialog>

class QTextBrowser;

namespace vlx::app {

// The program's help, shown in the program itself: the pages the help file is compiled
// from, with their links.
class HelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  QTextBrowser* browser() const { return browser_; }

  // The first page of the help.
  static constexpr const char* kContentsPage = "qrc:/help/index.html";

 private:
  QTextBrowser* browser_;
};

}  // namespace vlx::app
