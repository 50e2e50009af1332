program P;
uses ﻿ in '﻿.pas' {﻿};
begin end.
