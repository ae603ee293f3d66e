/* Resource ids shared by the resource script and the code that loads the resources. */
#pragma once

#define CORVALD_ICON_GROUP 1
#define CORVALD_LOGO_PNG 101
