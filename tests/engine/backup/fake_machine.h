// The machine as backup tests answer for it: every call recorded, saves
// written as small files (refusing an existing file, as the platform does),
// replacements only recorded, a token whose privileges the test chooses.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/backup/machine_control.h"
#include "engine/core/command_poster.h"
#include "engine/core/dialog_service.h"
#include "engine/core/monitor_state.h"
#include "engine/core/window_thread.h"

namespace hvm::test {

inline std::string RootName(HKEY root) {
  return root == HKEY_LOCAL_MACHINE ? "HKLM" : root == HKEY_USERS ? "HKU" : "other";
}

class FakeMachine : public MachineControl {
 public:
  struct TokenState {
    bool opens = true;
    bool lookupWorks = true;
    bool adjustWorks = true;
    bool queryWorks = true;
    // Attributes the token reads back per privilege name; a name not here is
    // not held at all.
    std::map<std::string, DWORD> attributes;
    std::string sid = "S-1-5-21-7-8-9-1001";
  };

  class Token : public ProcessToken {
   public:
    explicit Token(FakeMachine& machine) : machine_(machine) {}
    bool LookupPrivilege(const std::string& name, LUID& id) override {
      if (!machine_.token.lookupWorks) return false;
      id.LowPart = static_cast<DWORD>(std::hash<std::string>{}(name)&0xFFFF);
      id.HighPart = 0;
      names_[id.LowPart] = name;
      return true;
    }
    bool AdjustPrivilege(const LUID& id, DWORD attributes) override {
      machine_.calls.push_back("adjust " + names_[id.LowPart] + " " + std::to_string(attributes));
      return machine_.token.adjustWorks;
    }
    std::optional<std::vector<LUID_AND_ATTRIBUTES>> Privileges() override {
      if (!machine_.token.queryWorks) return std::nullopt;
      std::vector<LUID_AND_ATTRIBUTES> held;
      // An unrelated privilege first, so that the search has to look on.
      held.push_back({{0x7FFFFFFF, 0}, SE_PRIVILEGE_ENABLED});
      for (const auto& [name, attributes] : machine_.token.attributes) {
        LUID id{static_cast<DWORD>(std::hash<std::string>{}(name)&0xFFFF), 0};
        held.push_back({id, attributes});
      }
      return held;
    }
    std::string UserSid() override { return machine_.token.sid; }

   private:
    FakeMachine& machine_;
    std::map<DWORD, std::string> names_;
  };

  std::unique_ptr<ProcessToken> OpenProcessToken() override {
    if (!token.opens) return nullptr;
    return std::make_unique<Token>(*this);
  }

  LONG SaveKey(HKEY root, const std::string& key, const std::string& file) override {
    // A test holds a save here to look at the program while it runs.
    if (saveGate) WaitForSingleObject(saveGate, 60000);
    calls.push_back("save " + RootName(root) + key);
    if (absent.count(key)) return ERROR_FILE_NOT_FOUND;
    if (key == failKey) return failStatus;
    if (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) return ERROR_ALREADY_EXISTS;
    // Written read-only and hidden, so that a test sees the walk make it plain.
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return static_cast<LONG>(GetLastError());
    DWORD written = 0;
    WriteFile(handle, "regf", 4, &written, nullptr);
    CloseHandle(handle);
    return ERROR_SUCCESS;
  }

  LONG ReplaceKey(HKEY root, const std::string& key, const std::string& file,
                  const std::string& displacedFile) override {
    calls.push_back("replace " + RootName(root) + key);
    replaced.push_back({file, displacedFile});
    return key == failKey || key == failReplaceKey ? failStatus : ERROR_SUCCESS;
  }

  bool RunAndWait(const std::string& commandLine, int showMode) override {
    calls.push_back("run " + commandLine + " " + std::to_string(showMode));
    return programRuns;
  }

  bool RestartWindows() override {
    calls.push_back("restart");
    return true;
  }

  TokenState token;
  HANDLE saveGate = nullptr;
  std::vector<std::string> calls;
  std::vector<std::pair<std::string, std::string>> replaced;
  std::set<std::string> absent;  // keys that are not in this registry
  std::string failKey;           // refused to save and to replace
  std::string failReplaceKey;    // refused to replace only
  LONG failStatus = ERROR_ACCESS_DENIED;
  bool programRuns = true;
};

// Answers each question from a list (the last answer repeats) and records it.
class ScriptedDialogs : public DialogService {
 public:
  explicit ScriptedDialogs(std::vector<int> answers = {}) : answers_(std::move(answers)) {}
  int MessageDialog(const std::string& text, const std::string& caption, int flags) override {
    shown.push_back(caption + ": " + text);
    flagsSeen.push_back(flags);
    if (answers_.empty()) return dialog::kOk;
    const int answer = answers_.front();
    if (answers_.size() > 1) answers_.erase(answers_.begin());
    return answer;
  }
  std::vector<std::string> shown;
  std::vector<int> flagsSeen;

 private:
  std::vector<int> answers_;
};

// Commands as the main window would receive them, kept in order.
class RecordingPoster : public CommandPoster {
 public:
  void PostCommand(Command command, intptr_t value) override {
    posted.push_back({NumberOf(command), value});
  }
  std::vector<std::pair<int, intptr_t>> posted;
};

// Commands posted to the window thread, as the desktop program posts them;
// the test's thread is the window thread and takes them with WaitForCommand.
class ThreadQueuePoster : public CommandPoster {
 public:
  ThreadQueuePoster() {
    MSG message;  // makes sure the thread has a message queue for onOther
    PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  }
  void PostCommand(Command command, intptr_t value) override {
    queue_.Post([this, command, value] { arrived_.push_back({command, value}); });
  }
  // Runs the thread's messages and the posted commands until `command`
  // arrives (its value) or a minute passes (nothing).
  std::optional<intptr_t> WaitForCommand(Command command) {
    const ULONGLONG deadline = GetTickCount64() + 60000;
    for (;;) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_APP && onOther) onOther(message);
        DispatchMessageA(&message);
      }
      queue_.RunPending();
      for (const auto& [arrived, value] : arrived_)
        if (arrived == command) return value;
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return std::nullopt;
      const HANDLE ready = queue_.ReadyEvent();
      MsgWaitForMultipleObjects(1, &ready, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
  }
  std::function<void(const MSG&)> onOther;

 private:
  WindowThreadQueue queue_;
  std::vector<std::pair<Command, intptr_t>> arrived_;
};

class FakeMonitor : public MonitorState {
 public:
  explicit FakeMonitor(std::vector<std::string>* log = nullptr) : log_(log) {}
  bool Active() const override { return on; }
  void SetMonitoring(bool state) override {
    on = state;
    if (log_) log_->push_back(state ? "monitor on" : "monitor off");
  }
  bool on = false;

 private:
  std::vector<std::string>* log_;
};

}  // namespace hvm::test
