// The dialog engine: the platform's dialog operations on plain records.
#include "platform/dialogs/engine.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/frontend.h"

struct PlatModuleRec {
  int unused;
};

namespace {

std::mutex gLock;
std::condition_variable gWake;
std::vector<PlatDialogRec*> gOpen;  // z-order: last is on top
std::atomic<const EngFrontend*> gFrontend{nullptr};
uint64_t gSerial = 0;
PlatModuleRec gModule;

void Emit(EngEventKind kind, PlatDialogRec* d, int id = -1,
          const std::string& text = std::string(), int value = 0,
          int value2 = 0) {
  const EngFrontend* f = gFrontend.load();
  if (f && f->event) f->event(EngEvent{kind, d, id, text, value, value2});
}

bool Alive(PlatDialogRec* d) { return d && !d->destroyed; }

PlatDialogRec* Create(int templateId, PlatWindow owner, PlatDialogProc proc,
                      bool modal) {
  const PlatDialogTemplate* t = FindDialogTemplate(templateId);
  if (!t || !proc) return nullptr;
  PlatDialogRec* d = new PlatDialogRec;
  d->tmpl = t;
  d->proc = proc;
  d->owner = owner;
  d->thread = std::this_thread::get_id();
  d->caption = t->caption;
  d->modal = modal;
  for (int i = 0; i < t->controlCount; ++i) {
    EngControl c;
    c.tmpl = &t->controls[i];
    c.text = t->controls[i].text;
    d->controls.push_back(c);
  }
  std::lock_guard<std::mutex> g(gLock);
  d->serial = ++gSerial;
  return d;
}

int FirstTabStop(PlatDialogRec* d) {
  for (size_t i = 0; i < d->controls.size(); ++i)
    if (d->controls[i].tmpl->flags & kCtlTabStop) return static_cast<int>(i);
  return -1;
}

void Init(PlatDialogRec* d, intptr_t param) {
  intptr_t r = d->proc(d, kPlatMsgInitDialog, 0, param);
  if (r != 0) {
    std::lock_guard<std::mutex> g(gLock);
    d->focus = FirstTabStop(d);
  }
}

void MakeVisible(PlatDialogRec* d) {
  {
    std::lock_guard<std::mutex> g(gLock);
    if (d->visible || d->destroyed) return;
    d->visible = true;
    gOpen.push_back(d);
  }
  Emit(kEngOpened, d);
}

void Close(PlatDialogRec* d) {
  {
    std::lock_guard<std::mutex> g(gLock);
    if (d->destroyed) return;
    d->destroyed = true;
    d->visible = false;
    gOpen.erase(std::remove(gOpen.begin(), gOpen.end(), d), gOpen.end());
  }
  gWake.notify_all();
  Emit(kEngClosed, d);
}

void Dispatch(PlatDialogRec* d, const EngMessage& m) {
  if (!Alive(d)) return;
  d->proc(d, m.message, m.wparam, m.lparam);
  if (m.message == kPlatMsgCommand)
    Emit(kEngDispatched, d, static_cast<int>(m.wparam & 0xffff));
}

bool TakeMessage(PlatDialogRec* d, EngMessage* m) {
  std::lock_guard<std::mutex> g(gLock);
  if (d->queue.empty() || d->destroyed) return false;
  *m = d->queue.front();
  d->queue.pop_front();
  return true;
}

}  // namespace

PlatInstance PlatDefaultInstance(void) { return &gModule; }

void EngSetFrontend(const EngFrontend* frontend) { gFrontend.store(frontend); }

std::mutex& EngLock(void) { return gLock; }

std::vector<PlatDialogRec*> EngOpenDialogsLocked(void) { return gOpen; }

EngControl* EngFindControlLocked(PlatDialogRec* d, int controlId) {
  if (!d || controlId == kPlatNoControlId) return nullptr;
  for (EngControl& c : d->controls)
    if (c.tmpl->id == controlId) return &c;
  return nullptr;
}

void EngPostCommand(PlatDialogRec* d, int controlId) {
  {
    std::lock_guard<std::mutex> g(gLock);
    if (!Alive(d)) return;
    d->queue.push_back(EngMessage{
        kPlatMsgCommand, static_cast<uintptr_t>(controlId & 0xffff), 0});
  }
  gWake.notify_all();
}

void EngNotify(const EngEvent& event) {
  const EngFrontend* f = gFrontend.load();
  if (f && f->event) f->event(event);
}

intptr_t PlatDialogBox(PlatInstance instance, int templateId, PlatWindow owner,
                       PlatDialogProc proc, intptr_t param) {
  (void)instance;
  PlatDialogRec* d = Create(templateId, owner, proc, true);
  if (!d) return -1;
  Init(d, param);
  if (!d->ended) MakeVisible(d);
  for (;;) {
    EngMessage m;
    {
      std::unique_lock<std::mutex> g(gLock);
      gWake.wait(g,
                 [d] { return d->ended || d->destroyed || !d->queue.empty(); });
      if (d->ended || d->destroyed) break;
      m = d->queue.front();
      d->queue.pop_front();
    }
    Dispatch(d, m);
  }
  intptr_t result = d->result;
  Close(d);
  return result;
}

PlatWindow PlatCreateDialog(PlatInstance instance, int templateId,
                            PlatWindow owner, PlatDialogProc proc,
                            intptr_t param) {
  (void)instance;
  PlatDialogRec* d = Create(templateId, owner, proc, false);
  if (!d) return nullptr;
  Init(d, param);
  return d;
}

void PlatShowWindow(PlatWindow d) {
  if (Alive(d)) MakeVisible(d);
}

int PlatDestroyWindow(PlatWindow d) {
  if (!Alive(d)) return 0;
  Close(d);
  return 1;
}

int PlatEndDialog(PlatWindow d, intptr_t result) {
  if (!Alive(d)) return 0;
  {
    std::lock_guard<std::mutex> g(gLock);
    d->ended = true;
    d->result = result;
  }
  gWake.notify_all();
  return 1;
}

int PlatSetWindowText(PlatWindow d, const char* text) {
  if (!Alive(d) || !text) return 0;
  {
    std::lock_guard<std::mutex> g(gLock);
    d->caption = text;
  }
  Emit(kEngCaption, d, -1, text);
  return 1;
}

int PlatSetItemText(PlatWindow d, int controlId, const char* text) {
  if (!Alive(d) || !text) return 0;
  {
    std::lock_guard<std::mutex> g(gLock);
    EngControl* c = EngFindControlLocked(d, controlId);
    if (!c) return 0;
    c->text = text;
  }
  Emit(kEngText, d, controlId, text);
  return 1;
}

uint32_t PlatGetItemText(PlatWindow d, int controlId, char* text,
                         int capacity) {
  if (!text || capacity <= 0) return 0;
  text[0] = 0;
  if (!Alive(d)) return 0;
  std::lock_guard<std::mutex> g(gLock);
  EngControl* c = EngFindControlLocked(d, controlId);
  if (!c) return 0;
  size_t n = std::min(c->text.size(), static_cast<size_t>(capacity - 1));
  memcpy(text, c->text.data(), n);
  text[n] = 0;
  return static_cast<uint32_t>(n);
}

int PlatListAddString(PlatWindow d, int controlId, const char* text) {
  if (!Alive(d) || !text) return -1;
  int index;
  {
    std::lock_guard<std::mutex> g(gLock);
    EngControl* c = EngFindControlLocked(d, controlId);
    if (!c || c->tmpl->kind != kCtlDropDownList) return -1;
    c->items.push_back(text);
    index = static_cast<int>(c->items.size()) - 1;
  }
  Emit(kEngListAdd, d, controlId, text, index);
  return index;
}

int PlatListSetSelection(PlatWindow d, int controlId, int index) {
  if (!Alive(d)) return -1;
  {
    std::lock_guard<std::mutex> g(gLock);
    EngControl* c = EngFindControlLocked(d, controlId);
    if (!c || c->tmpl->kind != kCtlDropDownList) return -1;
    // As the platform's list does: an index outside the list clears the
    // selection.
    if (index < 0 || index >= static_cast<int>(c->items.size())) {
      c->selection = -1;
      index = -1;
    } else {
      c->selection = index;
    }
  }
  Emit(kEngListSelect, d, controlId, std::string(), index);
  return index;
}

int PlatListGetSelection(PlatWindow d, int controlId) {
  if (!Alive(d)) return -1;
  std::lock_guard<std::mutex> g(gLock);
  EngControl* c = EngFindControlLocked(d, controlId);
  return c ? c->selection : -1;
}

void PlatProgressSetRange(PlatWindow d, int controlId, uint16_t low,
                          uint16_t high) {
  if (!Alive(d)) return;
  {
    std::lock_guard<std::mutex> g(gLock);
    EngControl* c = EngFindControlLocked(d, controlId);
    if (!c) return;
    c->rangeLow = low;
    c->rangeHigh = high;
  }
  Emit(kEngRange, d, controlId, std::string(), low, high);
}

void PlatProgressSetPos(PlatWindow d, int controlId, int position) {
  if (!Alive(d)) return;
  {
    std::lock_guard<std::mutex> g(gLock);
    EngControl* c = EngFindControlLocked(d, controlId);
    if (!c) return;
    c->position = position;
  }
  Emit(kEngPosition, d, controlId, std::string(), position);
}

void PlatSetFocusItem(PlatWindow d, int controlId) {
  if (!Alive(d)) return;
  {
    std::lock_guard<std::mutex> g(gLock);
    for (size_t i = 0; i < d->controls.size(); ++i)
      if (d->controls[i].tmpl->id == controlId) d->focus = static_cast<int>(i);
  }
  Emit(kEngFocus, d, controlId);
}

int PlatPumpOneMessage(PlatWindow d) {
  if (!Alive(d)) return 0;
  uint64_t pumps;
  {
    std::lock_guard<std::mutex> g(gLock);
    pumps = ++d->pumps;
  }
  Emit(kEngPumped, d, -1, std::string(), static_cast<int>(pumps));
  EngMessage m;
  if (!TakeMessage(d, &m)) return 0;
  Dispatch(d, m);
  return 1;
}

void PlatPumpAllMessages(PlatWindow d) {
  if (!Alive(d)) return;
  uint64_t pumps;
  {
    std::lock_guard<std::mutex> g(gLock);
    pumps = ++d->pumps;
  }
  Emit(kEngPumped, d, -1, std::string(), static_cast<int>(pumps));
  EngMessage m;
  while (TakeMessage(d, &m)) Dispatch(d, m);
}

int PlatMessageBox(PlatWindow owner, const char* text, const char* caption) {
  const EngFrontend* f = gFrontend.load();
  if (!f || !f->messageBox) return 1;
  return f->messageBox(owner, text ? text : "", caption ? caption : "");
}

void PlatGetScreenSize(int32_t* width, int32_t* height) {
  int32_t w = 1024, h = 768;
  const EngFrontend* f = gFrontend.load();
  if (f && f->screenSize) f->screenSize(&w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

int PlatGetWindowRect(PlatWindow d, PlatRect* rect) {
  if (!Alive(d) || !rect) return 0;
  std::lock_guard<std::mutex> g(gLock);
  rect->left = d->left;
  rect->top = d->top;
  rect->right = d->left + d->tmpl->width;
  rect->bottom = d->top + d->tmpl->height;
  return 1;
}

int PlatMoveWindowToTop(PlatWindow d, int32_t left, int32_t top) {
  if (!Alive(d)) return 0;
  {
    std::lock_guard<std::mutex> g(gLock);
    d->left = left;
    d->top = top;
    auto it = std::find(gOpen.begin(), gOpen.end(), d);
    if (it != gOpen.end()) {
      gOpen.erase(it);
      gOpen.push_back(d);
    }
  }
  Emit(kEngMoved, d, -1, std::string(), left, top);
  return 1;
}
