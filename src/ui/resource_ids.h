/* Resource ids shared by the resource script and the code that loads the resources. */
#pragma once

#define CORVALD_ICON_GROUP 1
#define CORVALD_LOGO_PNG 101
/* The logo drawn for 125 %, 150 % and 200 % display scale. */
#define CORVALD_LOGO_PNG_120 102
#define CORVALD_LOGO_PNG_144 103
#define CORVALD_LOGO_PNG_192 104
