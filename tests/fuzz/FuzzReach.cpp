#include "FuzzReach.h"

void FuzzReach::mark(const std::string& item) {
    if (on) {
        items.insert(item);
    }
}
