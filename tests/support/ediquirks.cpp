#include "support/ediquirks.h"

QList<EdiQuirk> ediQuirks()
{
    const QString header = "[REG1TEST;1]\nPCall=RK3AW/P\nPBand=144 MHz\n[QSORecords;%1]\n";
    return {
        {"eight-digit date",
         header.arg(1) + "20160508;0726;UA3AAA;1;59;001;59;020;;KO95AA;;;;;\n",
         {"2016-05-08 07:26 UA3AAA KO95AA 1 59 1 59 20"}},
        {"marks after the serial",
         header.arg(1) + "160508;0726;UA3AAA;1;59;012/;59;007 ;;KO95AA;;;;;\n",
         {"2016-05-08 07:26 UA3AAA KO95AA 1 59 12 59 7"}},
        {"report and serial in one field",
         header.arg(2) + "160508;0726;UA3AAA;1;59001;;59020;;;KO95AA;;;;;\n"
                         "160508;0731;DL1ABC;2;599002;;579021;;;JN45AA;;;;;\n",
         {"2016-05-08 07:26 UA3AAA KO95AA 1 59 1 59 20", "2016-05-08 07:31 DL1ABC JN45AA 2 599 2 579 21"}},
        {"blanks around fields",
         header.arg(1) + "160508;0726 ; UA3AAA; ;59;001 ; 59;020;;KN16TS ;;;;;\n",
         {"2016-05-08 07:26 UA3AAA KN16TS 0 59 1 59 20"}},
        {"record of separators only",
         header.arg(2) + "160508;0726;UA3AAA;1;59;001;59;020;;KO95AA;;;;;\n ;;;;;;;;;;;;;;\n",
         {"2016-05-08 07:26 UA3AAA KO95AA 1 59 1 59 20"}},
        {"locator in lower case",
         header.arg(1) + "160508;0726;UA3AAA;1;59;001;59;020;;kn27fh;;;;;\n",
         {"2016-05-08 07:26 UA3AAA KN27FH 1 59 1 59 20"}},
        {"locator glued to the serial",
         header.arg(1) + "160508;0726;UA3AAA;1;59;001;59;020 KN33GY;;;;;;;\n",
         {"2016-05-08 07:26 UA3AAA KN33GY 1 59 1 59 20"}},
    };
}
