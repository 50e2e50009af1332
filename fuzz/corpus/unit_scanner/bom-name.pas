 CPU0}8}Int64{NDIF}1
procedure ﻿(co
implemc