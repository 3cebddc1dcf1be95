// The whole UI model, for code that uses most of it.
#pragma once

#include "framework/application.h"
#include "framework/controls.h"
#include "framework/delegate.h"
#include "framework/folder_item.h"
#include "framework/menus.h"
#include "framework/property_bag.h"
#include "framework/window.h"
