#include "edid/catalogue.h"

namespace brixel::edid {

const CatalogueRow* rowNamed(std::string_view name) {
    for (const auto& row : catalogue)
        if (row.name == name) return &row;
    return nullptr;
}

}  // namespace brixel::edid
