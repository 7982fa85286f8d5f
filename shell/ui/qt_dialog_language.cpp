#include "shell/ui/qt_dialog_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace shell {

QtDialogLanguage::~QtDialogLanguage() { Apply(false); }

bool QtDialogLanguage::Apply(bool korean) {
  if (!korean) {
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    translator_.reset();
    return true;
  }
  if (translator_) return true;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  QCoreApplication::installTranslator(translator.get());
  translator_ = std::move(translator);
  return true;
}

}  // namespace shell
