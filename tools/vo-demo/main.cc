// vo-demo: runs each service of the vo_tools2 library once and tells what
// happened. Exit status 0 when every section behaved as expected, 1 if not.
#include <iostream>

#include "sections.h"

int main() {
  struct Section {
    const char* title;
    bool (*show)(std::ostream&);
  };
  const Section sections[] = {
      {"Handle table", vo_demo::ShowHandleTable},
      {"Wake-up scheduling", vo_demo::ShowWakeUps},
      {"Diagnostic logging", vo_demo::ShowLogging},
      {"Text utilities", vo_demo::ShowTextUtilities},
  };
  bool all_ok = true;
  for (const Section& section : sections) {
    std::cout << "== " << section.title << " ==\n";
    const bool ok = section.show(std::cout);
    std::cout << (ok ? "   ok" : "   FAILED") << "\n\n";
    all_ok = all_ok && ok;
  }
  return all_ok ? 0 : 1;
}
