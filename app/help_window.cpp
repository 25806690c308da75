#include "app/help_window.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vlx::app {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("HelpWindow");
  setWindowTitle(tr("Veltrix Pellum PowerPoint Recovery Help"));
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);
  browser_->setSource(QUrl(kContentsPage));

  auto* contents = new QPushButton(tr("&Contents"), this);
  auto* back = new QPushButton(tr("&Back"), this);
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(contents, &QPushButton::clicked, browser_, &QTextBrowser::home);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  back->setEnabled(false);
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::close);

  auto* row = new QHBoxLayout;
  row->addWidget(contents);
  row->addWidget(back);
  row->addStretch(1);
  row->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_, 1);
  layout->addLayout(row);
  resize(720, 560);
}

}  // namespace vlx::app
