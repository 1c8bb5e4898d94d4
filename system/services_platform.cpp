#include "system/services_platform.h"

namespace tolven {

namespace {
ServicesPlatform default_platform;
ServicesPlatform* current_platform = &default_platform;
}  // namespace

ServicesPlatform& services_platform() { return *current_platform; }
void set_services_platform(ServicesPlatform* p) { current_platform = p ? p : &default_platform; }

}  // namespace tolven
