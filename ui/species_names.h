// The modelled species as the user reads them, in the window's language.
#pragma once

#include <QCoreApplication>
#include <QString>

#include "species.h"

namespace dravlik {

class SpeciesNames {
  Q_DECLARE_TR_FUNCTIONS(dravlik::SpeciesNames)

 public:
  // "SM", as the tables hold it, without the padding.
  static QString Code(vzorce::SpeciesIndex species);
  // "Norway spruce"; "smrk" in Czech.
  static QString Name(vzorce::SpeciesIndex species);
  // "SM (Norway spruce)".
  static QString CodeAndName(vzorce::SpeciesIndex species);
};

}  // namespace dravlik
