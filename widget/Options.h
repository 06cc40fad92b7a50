// The widget's persistent settings: four switches and the window position in
// "options.ini" in the data folder, plus the user's own feed address, which
// the program only reads (the user or the run command writes it).
//
//   [general] left, top        window position; default: centred on the
//                              work area's size
//   [options] alwaystop, autoscale, showtray, startup   booleans, default on
//   [feed]    url              optional http(s) feed address
//
// Writers change the memory image only; UpdateFile writes the file. Sections
// and keys the program does not know are kept when it writes.
#pragma once

#include <string>

#include "text/WIniFiles.h"

namespace varnika {

class TOptions : public TWMemIniFile {
 public:
  // Loads the file when it exists and reads the work area once.
  explicit TOptions(std::u16string file_name);

  int DefaultTop() const { return default_top_; }
  int DefaultLeft() const { return default_left_; }

  bool ReadAlwaysTop() const;
  bool ReadAutoScale() const;
  bool ReadShowTray() const;
  bool ReadStartup() const;
  int ReadLeft() const;
  int ReadTop() const;
  // The [feed] url value as stored ("" when absent).
  std::string ReadFeedUrl() const;

  void WriteAlwaysTop(bool value);
  void WriteAutoScale(bool value);
  void WriteShowTray(bool value);
  void WriteStartup(bool value);
  void WriteLeft(int value);
  void WriteTop(int value);

 private:
  int default_top_ = 0;
  int default_left_ = 0;
};

}  // namespace varnika
