#include "file_chooser.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "file_names.h"

namespace {

constexpr int kBytesRole = Qt::UserRole;  // an entry's name as bytes
constexpr int kFolderRole = Qt::UserRole + 1;

bool isFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string parentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string join(const std::string& folder, const std::string& name) {
  return folder.ends_with('/') ? folder + name : folder + '/' + name;
}

}  // namespace

FileChooser::FileChooser(const std::vector<const char*>& filters, int initialFilter,
                         QWidget* parent)
    : QDialog(parent), filters_(filters), initialFilter_(initialFilter) {
  setWindowTitle(QStringLiteral("ファイルの選択"));
  folderLabel_ = new QLabel(this);
  folderLabel_->setObjectName("folder");
  auto* up = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogToParent), "", this);
  up->setToolTip(QStringLiteral("上のフォルダへ"));
  up->setAutoDefault(false);
  entries_ = new QListWidget(this);
  entries_->setObjectName("entries");
  name_ = new QLineEdit(this);
  name_->setObjectName("fileName");
  filter_ = new QComboBox(this);
  filter_->setObjectName("fileType");
  for (const char* filter : filters_) filter_->addItem(QString::fromUtf8(filter));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Open)->setText(QStringLiteral("開く"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

  connect(up, &QPushButton::clicked, this, [this] { enter(parentOf(folder_)); });
  connect(entries_, &QListWidget::itemClicked, this, &FileChooser::pick);
  connect(entries_, &QListWidget::itemActivated, this, &FileChooser::open);
  connect(filter_, &QComboBox::currentIndexChanged, this, &FileChooser::list);
  connect(buttons, &QDialogButtonBox::accepted, this, &FileChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FileChooser::reject);

  auto* place = new QHBoxLayout;
  place->addWidget(new QLabel(QStringLiteral("場所:"), this));
  place->addWidget(folderLabel_, 1);
  place->addWidget(up);
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("ファイル名:"), name_);
  fields->addRow(QStringLiteral("ファイルの種類:"), filter_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(place);
  layout->addWidget(entries_);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  resize(520, 380);
}

int FileChooser::exec() {
  filter_->setCurrentIndex(initialFilter_);
  if (chosen_.empty()) {
    enter(QFile::encodeName(QDir::currentPath()).toStdString());
  } else {
    enter(parentOf(chosen_));
    name_->setText(
        QString::fromStdString(cstrip::displayPath(chosen_.substr(chosen_.rfind('/') + 1))));
  }
  name_->setFocus();
  return QDialog::exec();
}

void FileChooser::enter(const std::string& folder) {
  folder_ = folder;
  folderLabel_->setText(QString::fromStdString(cstrip::displayPath(folder_)));
  name_->clear();
  list();
}

void FileChooser::list() {
  // The pattern in the filter's last parentheses; *.* means every file, as
  // on Windows, not only names with a dot.
  const std::string label = filters_[std::max(0, filter_->currentIndex())];
  std::string pattern = label.substr(label.rfind('(') + 1);
  pattern.pop_back();
  if (pattern == "*.*") pattern = "*";

  struct Entry {
    QString shown;
    std::string name;
    bool folder;
  };
  std::vector<Entry> found;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder_.c_str()), ::closedir);
  while (dir != nullptr) {
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name.starts_with('.')) continue;  // hidden, as in Qt's dialog
    const bool folder = isFolder(join(folder_, name));
    if (!folder && ::fnmatch(pattern.c_str(), name.c_str(), 0) != 0) continue;
    found.push_back({QString::fromStdString(cstrip::displayPath(name)), name, folder});
  }
  std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
    return a.folder != b.folder ? a.folder : a.shown.compare(b.shown, Qt::CaseInsensitive) < 0;
  });
  entries_->clear();
  for (const Entry& entry : found) {
    auto* item = new QListWidgetItem(
        style()->standardIcon(entry.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon), entry.shown,
        entries_);
    item->setData(kBytesRole, QByteArray::fromStdString(entry.name));
    item->setData(kFolderRole, entry.folder);
  }
}

void FileChooser::pick(QListWidgetItem* item) {
  if (!item->data(kFolderRole).toBool()) name_->setText(item->text());
}

void FileChooser::open(QListWidgetItem* item) {
  const std::string name = item->data(kBytesRole).toByteArray().toStdString();
  if (item->data(kFolderRole).toBool()) {
    enter(join(folder_, name));
  } else {
    pick(item);
    accept();
  }
}

void FileChooser::accept() {
  const QString typed = name_->text().trimmed();
  if (typed.isEmpty()) return;
  // A listed name is taken as its bytes, so that a CP932 name opens; a
  // typed one as UTF-8, relative to the folder shown unless absolute.
  std::string path;
  const QList<QListWidgetItem*> same = entries_->findItems(typed, Qt::MatchExactly);
  if (!same.isEmpty()) {
    path = join(folder_, same.first()->data(kBytesRole).toByteArray().toStdString());
  } else {
    const QString expanded = typed.startsWith("~/") ? QDir::homePath() + typed.mid(1) : typed;
    const std::string bytes = QFile::encodeName(expanded).toStdString();
    path = bytes.starts_with('/') ? bytes : join(folder_, bytes);
  }
  if (isFolder(path)) return enter(path);
  chosen_ = path;
  QDialog::accept();
}
