#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// The window's file chooser. Qt's own dialog lists only files whose names
// are UTF-8 (its file system model passes over every other name), so files
// unpacked from archives made on Japanese Windows, named in CP932, could
// not be seen or picked in it. This chooser lists a folder itself, showing
// each name as displayPath() does, and returns the path as bytes, so every
// file it shows opens. Like the original's chooser it takes a name that does
// not exist yet (a new output file), offers the filters in order, and
// starts where the last confirmed path was.
class FileChooser : public QDialog {
  Q_OBJECT

 public:
  // `filters` are labels ending in their pattern in parentheses, such as
  // "Ｃ言語ソース (*.c)"; a pattern of *.* shows every file.
  FileChooser(const std::vector<const char*>& filters, int initialFilter, QWidget* parent);

  // The path last confirmed, as bytes for the file system; empty before.
  const std::string& chosenPath() const { return chosen_; }

  // Opens with the filter `initialFilter` selected, in the folder of the
  // last confirmed path (at first, the current folder).
  int exec() override;

  // Confirms the name in the box: a folder is entered instead, anything
  // else becomes the chosen path, whether it exists or not.
  void accept() override;

 private:
  void enter(const std::string& folder);
  void list();
  void pick(QListWidgetItem* item);
  void open(QListWidgetItem* item);

  std::vector<const char*> filters_;
  int initialFilter_;
  std::string folder_;  // bytes, as the file system names it
  std::string chosen_;
  QLabel* folderLabel_;
  QListWidget* entries_;
  QLineEdit* name_;
  QComboBox* filter_;
};
