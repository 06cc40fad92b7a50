// The widget's persistent settings: four switches and the window position in
// "options.ini" in the data folder, plus the user's own feed address, which
// the program only reads (the user or the run command writes it).
//
//   [general] left, top        window position; default: centred on the
//                              primary monitor's work area
//   [options] alwaystop, autoscale, showtray, startup   booleans, default on
//   [feed]    url              optional http(s) feed address
//
// Writers change the memory image only; UpdateFile writes the file. The six
// keys above other than the feed address are the program's own: UpdateFile
// reads the file again and writes it back with only those keys replaced, so
// whatever else it holds is kept as it is at that moment (a feed address
// stored while the widget runs, say), in the encoding it is stored in.
//
// A file that exists but cannot be read (not a regular file, unreadable,
// too large) is never overwritten: the store says so on stderr, holds the
// defaults and UpdateFile writes nothing.
#pragma once

#include <string>

#include "text/WIniFiles.h"

namespace varnika {

class TOptions : public TWMemIniFile {
 public:
  // Loads the file when it exists and reads the primary monitor's work area
  // once.
  explicit TOptions(std::u16string file_name);

  int DefaultTop() const { return default_top_; }
  int DefaultLeft() const { return default_left_; }
  // False when the file existed but could not be read at start.
  bool Readable() const { return readable_; }

  bool ReadAlwaysTop() const;
  bool ReadAutoScale() const;
  bool ReadShowTray() const;
  bool ReadStartup() const;
  // Whether the file holds a start-up choice (false on a first run).
  bool StartupStored() const;
  int ReadLeft() const;
  int ReadTop() const;
  // The [feed] url value as stored ("" when absent).
  std::string ReadFeedUrl() const;
  // Takes the [feed] url of the file as it is now into the memory image;
  // false (and the image unchanged) when the file cannot be read.
  bool ReloadFeedUrl();

  void WriteAlwaysTop(bool value);
  void WriteAutoScale(bool value);
  void WriteShowTray(bool value);
  void WriteStartup(bool value);
  void WriteLeft(int value);
  void WriteTop(int value);

  // Raises EFOpenError when the file now exists but cannot be read, and
  // the errors of TWMemIniFile::UpdateFile when it cannot be written.
  void UpdateFile() override;

 private:
  int default_top_ = 0;
  int default_left_ = 0;
  bool readable_ = true;
};

}  // namespace varnika
