#include "ui/attention.h"

#include <QApplication>
#include <map>

#include "ui/registry.h"

namespace ui {

namespace {

std::map<Handle, int> requests;
int beeps = 0;

}  // namespace

void RequestAttention(Handle window) {
  const detail::WindowRecord* record = detail::Find(window);
  if (!record || !record->frame) return;
  ++requests[window];
  QApplication::alert(record->frame->window());
}

void Beep() {
  ++beeps;
  QApplication::beep();
}

int AttentionRequests(Handle window) {
  const auto found = requests.find(window);
  return found == requests.end() ? 0 : found->second;
}

int Beeps() {
  return beeps;
}

}  // namespace ui
