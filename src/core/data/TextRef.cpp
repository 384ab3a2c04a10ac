#include "core/data/TextRef.h"

#include <ostream>

std::ostream& operator<<(std::ostream& out, CTextRef text) {
    return out << text.View();
}
