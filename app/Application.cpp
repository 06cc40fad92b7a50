#include "app/Application.h"

#include <filesystem>
#include <system_error>

#include "base/Random.h"
#include "base/Utf.h"
#include "net/Internet.h"
#include "platform/ErrnoCodes.h"
#include "platform/ExecutablePath.h"
#include "platform/KernelObjects.h"
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

constexpr char16_t kMutexName[] = u"varnikamutex";
constexpr std::u16string_view kDataSubPath = u"/Telvoran/Varnika";

std::u16string FolderOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  return Utf8ToUtf16(slash == std::string::npos ? std::string("./") : file.substr(0, slash + 1));
}

}  // namespace

std::u16string GetSpecialFolder(int csidl) {
  char16_t buffer[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, buffer) != S_OK) return {};
  return std::u16string(buffer);
}

TApplication::TApplication(BackendFactory backend_factory)
    : TComponent(nullptr), backend_factory_(std::move(backend_factory)) {}

TApplication::~TApplication() = default;

void TApplication::Run() {
  // The probe: another instance holds the name exactly when it exists.
  HANDLE probe = CreateMutexW(nullptr, FALSE, kMutexName);
  const DWORD probe_error = GetLastError();
  if (probe) {
    WaitForSingleObject(probe, 0);
    CloseHandle(probe);
  }
  if (probe_error != ERROR_ALREADY_EXISTS) {
    mutex_ = CreateMutexW(nullptr, FALSE, kMutexName);
    // Two programs started together both pass the probe; only the one that
    // took the name here may run.
    if (mutex_ && GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(mutex_);
      mutex_ = nullptr;
      another_instance_ = true;
      return;
    }
  } else {
    another_instance_ = true;
    return;
  }
  struct MutexRelease {
    HANDLE& mutex;
    ~MutexRelease() {
      if (mutex) {
        WaitForSingleObject(mutex, 0);
        CloseHandle(mutex);
        mutex = nullptr;
      }
    }
  } release{mutex_};
  Initialize();
  struct Finalizer {
    TApplication& app;
    ~Finalizer() { app.Finalize(); }
  } finalizer{*this};
  MessageLoop();
}

void TApplication::Initialize() {
  // Platform: the fonts the skin names, then the display.
  LoadProgramFontConfiguration();
  InitWindowSystem(backend_factory_());

  // Paths.
  app_path_ = FolderOf(ExecutablePath());
  std::error_code ignored;
  std::filesystem::current_path(Utf16ToUtf8(app_path_), ignored);
  data_path_ = GetSpecialFolder(CSIDL_APPDATA) + std::u16string(kDataSubPath);
  std::filesystem::create_directories(Utf16ToUtf8(data_path_), ignored);
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
