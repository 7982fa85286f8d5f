#include "ladder/ui/print_command.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "ladder/ui/printer_surface.h"
#include "platform/message_box.h"

namespace ladder {

namespace {

const std::string kCaptionMessage = "Korvane Studio Message";
const std::string kToPdf = "No printer is set up. The program was printed to the file : ";
const std::string kToPdfKo = "설치된 프린터가 없어 다음 파일로 인쇄했습니다 : ";
const std::string kToChosenPdf = "The program was printed to the file : ";
const std::string kToChosenPdfKo = "다음 파일로 인쇄했습니다 : ";

PrintResult Run(compiler::Studio& studio, const LadderGeometry& geo, QPrinter& printer) {
  printer.setFullPage(false);
  PrinterSurface surface(printer);
  return PrintLadder(studio, geo, surface, surface);
}

}  // namespace

std::string PdfPathFor(const std::string& programPath, const std::string& untitledFolder) {
  QString path = QString::fromStdString(programPath);
  if (path.endsWith(QStringLiteral(".qsl"), Qt::CaseInsensitive)) path.chop(4);
  path += QStringLiteral(".pdf");
  QFileInfo info(path);
  if (!path.contains(QChar('/'))) info = QFileInfo(QDir(QString::fromStdString(untitledFolder)), path);
  return info.absoluteFilePath().toStdString();
}

PrintOutcome PrintProgramToPdf(compiler::Studio& studio, const LadderGeometry& geo, const std::string& pdfPath) {
  PrintOutcome out;
  out.toPdf = true;
  out.pdfPath = pdfPath;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdfPath));
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setDocName(QFileInfo(QString::fromStdString(studio.shell.CurFilePath)).fileName());
  out.result = Run(studio, geo, printer);
  return out;
}

PrintOutcome PrintProgram(compiler::Studio& studio, const LadderGeometry& geo, const PrintTarget& target,
                          const std::string& untitledFolder) {
  auto toPdf = [&](const std::string& path, const std::string& english, const std::string& korean) {
    PrintOutcome out = PrintProgramToPdf(studio, geo, path);
    if (out.result == PrintResult::Printed && studio.messages) {
      studio.messages->Show({kCaptionMessage, platform::Pick(studio.shell.KoreanMenu, english, korean) + out.pdfPath,
                             platform::MsgIcon::Information, platform::MsgButtons::Ok});
    }
    return out;
  };
  if (!target.pdfFile.empty()) return toPdf(target.pdfFile, kToChosenPdf, kToChosenPdfKo);
  const QPrinterInfo info = target.printerName.isEmpty() ? QPrinterInfo::defaultPrinter()
                                                         : QPrinterInfo::printerInfo(target.printerName);
  if (info.isNull()) return toPdf(PdfPathFor(studio.shell.CurFilePath, untitledFolder), kToPdf, kToPdfKo);
  QPrinter printer(info, QPrinter::HighResolution);
  PrintOutcome out;
  out.result = Run(studio, geo, printer);
  return out;
}

void ChoosePrintTarget(PrintTarget& target, QWidget* parent) {
  QPrinter printer;
  if (!target.pdfFile.empty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(target.pdfFile));
  } else if (!target.printerName.isEmpty()) {
    printer.setPrinterName(target.printerName);
  }
  QPrintDialog dialog(&printer, parent);
  if (dialog.exec() != QDialog::Accepted) return;
  if (printer.outputFormat() == QPrinter::PdfFormat || !printer.outputFileName().isEmpty())
    target = {QString(), printer.outputFileName().toStdString()};
  else
    target = {printer.printerName(), std::string()};
}

}  // namespace ladder
