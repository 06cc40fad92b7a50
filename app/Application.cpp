#include "app/Application.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/Exceptions.h"
#include "base/Random.h"
#include "base/Utf.h"
#include "net/Internet.h"
#include "platform/ErrnoCodes.h"
#include "platform/ExecutablePath.h"
#include "platform/InstanceLock.h"
#include "platform/MessageLoop.h"
#include "platform/SpecialFolders.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "resources/StringTable.h"
#include "toolkit/Desktop.h"
#include "toolkit/FontConfiguration.h"
#include "widget/MainWindow.h"

namespace varnika {
namespace {

constexpr const char* kDataSubPath = "/Telvoran/Varnika";
// Room for the longest name of the program's files in the data folder.
constexpr std::size_t kLongestFileName = 64;

// The path through which the program reaches the files of folder. A path
// that UTF-16 cannot carry unchanged (bytes that are not UTF-8) or that the
// system would refuse as too long is reached through the descriptor that
// holds the folder open.
std::u16string FilesPath(const std::string& folder, int descriptor) {
  const std::u16string wide = Utf8ToUtf16(folder);
  const bool usable = Utf16ToUtf8(wide) == folder && folder.size() + kLongestFileName < PATH_MAX;
  if (usable || descriptor < 0) return wide;
  return Utf8ToUtf16("/proc/self/fd/" + std::to_string(descriptor));
}

std::u16string FolderOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  return Utf8ToUtf16(slash == std::string::npos ? std::string("./") : file.substr(0, slash + 1));
}

}  // namespace

TApplication::TApplication(BackendFactory backend_factory)
    : TComponent(nullptr), backend_factory_(std::move(backend_factory)) {}

TApplication::~TApplication() = default;

void TApplication::Run() {
  if (!OpenDataFolder()) {
    another_instance_ = true;
    return;
  }
  struct LockRelease {
    std::unique_ptr<InstanceLock>& lock;
    ~LockRelease() { lock.reset(); }
  } release{lock_};
  Initialize();
  struct Finalizer {
    TApplication& app;
    ~Finalizer() { app.Finalize(); }
  } finalizer{*this};
  MessageLoop();
}

// The data folder doubles as the single-instance guard: it is created with
// its parents and held locked (an flock on the folder itself) for the whole
// run, so every copy that would use the same files sees the lock, whatever
// its environment. A folder that cannot be created or locked leaves the
// program running on its own (its files then cannot be written).
bool TApplication::OpenDataFolder() {
  const std::string config = UserConfigFolder();
  // Never a folder at the root of the file system.
  if (config.empty()) throw Exception(u"Varnika: no home folder is known to keep the settings in");
  const std::string folder = config + kDataSubPath;
  int error = CreateFolderPath(folder);
  if (error == 0) {
    lock_ = InstanceLock::TryAcquireFolder(folder, &error);
    if (!lock_ && error == EWOULDBLOCK) return false;
  }
  if (error != 0) {
    std::fprintf(stderr, "Varnika: cannot use the data folder %s: %s\n", folder.c_str(), std::strerror(error));
  }
  data_path_ = FilesPath(folder, lock_ ? lock_->Descriptor() : -1);
  return true;
}

void TApplication::Initialize() {
  // Platform: the fonts the skin names, then the display.
  LoadProgramFontConfiguration();
  InitWindowSystem(backend_factory_());

  // Paths.
  app_path_ = FolderOf(ExecutablePath());
  std::error_code ignored;
  std::filesystem::current_path(Utf16ToUtf8(app_path_), ignored);
  product_name_ = LoadStringW(IDS_PRODUCTNAME);

  // Shared objects.
  Randomize();
  desktop_ = std::make_unique<TDesktop>(nullptr);
  desktop_->SetName(u"ManagerDesktop");
  OpenInternet();

  // The main window builds itself when its native window is created.
  auto* window = new TMainWindow(desktop_.get());
  window->SetParentWindow(nullptr);
  window->SetName(u"varnika");
  window->SetClassNameW(u"varnikaclass");
  window->SetCaption(u"varnika");
  window->SetDataPath(data_path_);
  window->SetDesktop(desktop_.get());
  window->HandleNeeded();
  window->SetOpacity(0);
  window->SetVisible(true);
  main_window_ = window;
}

void TApplication::MessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TApplication::Finalize() {
  CloseInternet();
  // The desktop owns the main window object and, through it, every control.
  desktop_.reset();
  main_window_ = nullptr;
  ShutdownWindowSystem();
}

}  // namespace varnika
