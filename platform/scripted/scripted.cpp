// The scripted frontend: answers dialogs from a queue of steps per template
// and records what a user would have been shown.
#include "platform/scripted/scripted.h"

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/dialogs/engine.h"
#include "platform/frontend.h"

namespace {

struct PendingPress {
  PlatDialogRec* dialog;
  int controlId;
  uint64_t atPump;
};

struct ScriptState {
  std::mutex lock;
  std::map<int, std::vector<std::vector<ScriptedStep>>> answers;
  std::map<int, std::vector<ScriptedStep>> always;
  std::vector<std::string> record;
  std::map<int, std::vector<int>> positions;
  std::map<int, std::pair<int32_t, int32_t>> placed;
  std::vector<std::string> boxes;
  std::vector<PendingPress> pending;
  // Steps still to run once the dialog has handled the last press.
  std::map<PlatDialogRec*, std::vector<ScriptedStep>> remaining;
  bool echo = false;
  int32_t screenWidth = 1024, screenHeight = 768;
};

ScriptState& S() {
  static ScriptState* s = new ScriptState;  // outlives every thread
  return *s;
}

void RecordLocked(ScriptState& s, const std::string& line) {
  s.record.push_back(line);
  if (s.echo) {
    fprintf(stderr, "[scripted] %s\n", line.c_str());
    fflush(stderr);
  }
}

int TemplateOf(PlatDialogRec* d) { return d && d->tmpl ? d->tmpl->id : 0; }

void RecordOpen(PlatDialogRec* d) {
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> g(EngLock());
    int t = TemplateOf(d);
    lines.push_back("open " + std::to_string(t) + " " + d->caption);
    for (const EngControl& c : d->controls) {
      if (c.tmpl->id == kPlatNoControlId && c.text.empty()) continue;
      if (!c.text.empty())
        lines.push_back("text " + std::to_string(t) + " " +
                        std::to_string(c.tmpl->id) + " " + c.text);
    }
  }
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  for (const std::string& l : lines) RecordLocked(s, l);
}

// Runs the steps in order: typing and picking at once, then a press, which
// is queued for the owner's pump (or its modal loop); the steps after a
// press run once the dialog has handled it, as a user reads the outcome of
// one click before the next.
void Answer(PlatDialogRec* d, const std::vector<ScriptedStep>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    const ScriptedStep& step = steps[i];
    if (step.kind == ScriptedStep::kPress && i + 1 < steps.size()) {
      ScriptState& s = S();
      std::lock_guard<std::mutex> g(s.lock);
      s.remaining[d].assign(steps.begin() + static_cast<long>(i) + 1,
                            steps.end());
    }
    switch (step.kind) {
      case ScriptedStep::kType: {
        std::lock_guard<std::mutex> g(EngLock());
        EngControl* c = EngFindControlLocked(d, step.controlId);
        if (c) c->text = step.text;
        break;
      }
      case ScriptedStep::kPick: {
        std::lock_guard<std::mutex> g(EngLock());
        EngControl* c = EngFindControlLocked(d, step.controlId);
        if (c && step.index >= 0 &&
            step.index < static_cast<int>(c->items.size()))
          c->selection = step.index;
        break;
      }
      case ScriptedStep::kPress:
        if (step.afterPumps <= 0 || d->modal) {
          EngPostCommand(d, step.controlId);
        } else {
          uint64_t base;
          {
            std::lock_guard<std::mutex> g(EngLock());
            base = d->pumps;
          }
          ScriptState& s = S();
          std::lock_guard<std::mutex> g(s.lock);
          s.pending.push_back(
              PendingPress{d, step.controlId,
                           base + static_cast<uint64_t>(step.afterPumps)});
        }
        return;
    }
  }
}

void OnOpened(PlatDialogRec* d) {
  RecordOpen(d);
  int t = TemplateOf(d);
  std::vector<ScriptedStep> steps;
  bool have = false;
  {
    ScriptState& s = S();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.answers.find(t);
    if (it != s.answers.end() && !it->second.empty()) {
      steps = it->second.front();
      it->second.erase(it->second.begin());
      have = true;
    } else if (s.always.count(t)) {
      steps = s.always[t];
      have = true;
    }
    if (!have && d->modal) RecordLocked(s, "unanswered " + std::to_string(t));
  }
  if (have) {
    Answer(d, steps);
  } else if (d->modal) {
    EngPostCommand(d, kPlatIdCancel);
  }
}

void OnEvent(const EngEvent& e) {
  PlatDialogRec* d = e.dialog;
  int t = TemplateOf(d);
  std::string ts = std::to_string(t);
  std::string cs = std::to_string(e.controlId);
  if (e.kind == kEngOpened) {
    OnOpened(d);
    return;
  }
  ScriptState& s = S();
  if (e.kind == kEngDispatched) {
    std::vector<ScriptedStep> rest;
    {
      std::lock_guard<std::mutex> g(s.lock);
      auto it = s.remaining.find(d);
      if (it == s.remaining.end()) return;
      rest = std::move(it->second);
      s.remaining.erase(it);
    }
    if (!d->destroyed && !d->ended) Answer(d, rest);
    return;
  }
  if (e.kind == kEngPumped) {
    std::vector<PendingPress> due;
    {
      std::lock_guard<std::mutex> g(s.lock);
      for (size_t i = 0; i < s.pending.size();) {
        if (s.pending[i].dialog == d &&
            static_cast<uint64_t>(e.value) >= s.pending[i].atPump) {
          due.push_back(s.pending[i]);
          s.pending.erase(s.pending.begin() + static_cast<long>(i));
        } else {
          ++i;
        }
      }
    }
    for (const PendingPress& p : due) EngPostCommand(p.dialog, p.controlId);
    return;
  }
  std::lock_guard<std::mutex> g(s.lock);
  bool shown = d && d->visible;
  switch (e.kind) {
    case kEngClosed:
      RecordLocked(s, "close " + ts);
      break;
    case kEngCaption:
      if (shown) RecordLocked(s, "caption " + ts + " " + e.text);
      break;
    case kEngText:
      if (shown) RecordLocked(s, "text " + ts + " " + cs + " " + e.text);
      break;
    case kEngListAdd:
      RecordLocked(s, "list " + ts + " " + cs + " " + e.text);
      break;
    case kEngListSelect:
      RecordLocked(s,
                   "select " + ts + " " + cs + " " + std::to_string(e.value));
      break;
    case kEngRange:
      RecordLocked(s, "range " + ts + " " + cs + " " + std::to_string(e.value) +
                          " " + std::to_string(e.value2));
      break;
    case kEngPosition: {
      std::vector<int>& v = s.positions[t];
      if (v.size() < 200000) v.push_back(e.value);
      break;
    }
    case kEngFocus:
      RecordLocked(s, "focus " + ts + " " + cs);
      break;
    case kEngMoved:
      s.placed[t] = {e.value, e.value2};
      break;
    default:
      break;
  }
}

int OnMessageBox(PlatDialogRec* owner, const char* text, const char* caption) {
  (void)owner;
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  s.boxes.push_back(text);
  RecordLocked(s, std::string("msgbox ") + caption + " | " + text);
  return 1;
}

void OnScreenSize(int32_t* w, int32_t* h) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  *w = s.screenWidth;
  *h = s.screenHeight;
}

const EngFrontend kScripted = {OnEvent, OnMessageBox, OnScreenSize};

}  // namespace

ScriptedStep ScriptType(int controlId, const std::string& text) {
  return ScriptedStep{ScriptedStep::kType, controlId, text, 0, 0};
}
ScriptedStep ScriptPick(int controlId, int index) {
  return ScriptedStep{ScriptedStep::kPick, controlId, std::string(), index, 0};
}
ScriptedStep ScriptPress(int controlId, int afterPumps) {
  return ScriptedStep{ScriptedStep::kPress, controlId, std::string(), 0,
                      afterPumps};
}

void ScriptedInstall(void) {
  ScriptState& s = S();
  {
    std::lock_guard<std::mutex> g(s.lock);
    s.answers.clear();
    s.always.clear();
    s.record.clear();
    s.positions.clear();
    s.placed.clear();
    s.boxes.clear();
    s.pending.clear();
    s.remaining.clear();
    s.echo = false;
    s.screenWidth = 1024;
    s.screenHeight = 768;
  }
  EngSetFrontend(&kScripted);
}

void ScriptAnswer(int templateId, std::vector<ScriptedStep> steps) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  s.answers[templateId].push_back(std::move(steps));
}

void ScriptAnswerAlways(int templateId, std::vector<ScriptedStep> steps) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  s.always[templateId] = std::move(steps);
}

void ScriptedEcho(bool on) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  s.echo = on;
}

void ScriptedSetScreenSize(int32_t width, int32_t height) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  s.screenWidth = width;
  s.screenHeight = height;
}

std::vector<std::string> ScriptedRecord(void) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  return s.record;
}

std::vector<std::string> ScriptedLines(const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& l : ScriptedRecord())
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  return out;
}

std::vector<int> ScriptedPositions(int templateId) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  return s.positions[templateId];
}

std::vector<std::string> ScriptedMessageBoxes(void) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  return s.boxes;
}

bool ScriptedLastPosition(int templateId, int32_t* left, int32_t* top) {
  ScriptState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  auto it = s.placed.find(templateId);
  if (it == s.placed.end()) return false;
  *left = it->second.first;
  *top = it->second.second;
  return true;
}
