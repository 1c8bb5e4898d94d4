#include "gui/item_list.h"

namespace tolven {

ItemList item_list;

}  // namespace tolven
