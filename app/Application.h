// The spine of the process: the single-instance guard, the data folder, the
// order in which the window system, the desktop, the internet handle and the
// main window come up, the message loop, and the order in which it all goes
// down again.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/Component.h"
#include "platform/Backend.h"
#include "platform/Messages.h"

namespace varnika {

class InstanceLock;
class TDesktop;
class TMainWindow;

class TApplication : public TComponent {
 public:
  // Opens the display when the application starts; it may raise
  // Exception with a message for the user (no display).
  using BackendFactory = std::function<std::unique_ptr<Backend>()>;

  explicit TApplication(BackendFactory backend_factory);
  ~TApplication() override;

  // The whole life of the process: returns when the message loop ends, or
  // at once when another instance runs. Raises what Initialize raises, and
  // Exception when no home folder is known for the data folder.
  void Run();

  TMainWindow* MainWindow() const { return main_window_; }
  const std::u16string& AppPath() const { return app_path_; }
  const std::u16string& DataPath() const { return data_path_; }
  const std::u16string& ProductName() const { return product_name_; }
  TDesktop* Desktop() const { return desktop_.get(); }
  // Whether Run found another instance and returned at once.
  bool AnotherInstance() const { return another_instance_; }

 private:
  bool OpenDataFolder();
  void Initialize();
  void MessageLoop();
  void Finalize();

  BackendFactory backend_factory_;
  std::unique_ptr<InstanceLock> lock_;  // on the data folder, held for the run
  TMainWindow* main_window_ = nullptr;
  std::u16string app_path_;
  std::u16string data_path_;
  std::u16string product_name_;
  std::unique_ptr<TDesktop> desktop_;
  bool another_instance_ = false;
};

}  // namespace varnika
