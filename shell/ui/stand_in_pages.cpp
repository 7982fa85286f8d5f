#include "shell/ui/stand_in_pages.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace shell {
namespace {

template <typename T>
T* Named(T* widget, const char* name, int index = -1) {
  widget->setObjectName(name);
  if (index >= 0) widget->setProperty("index", index);
  return widget;
}

QWidget* Page(QVBoxLayout*& layout) {
  auto* page = new QWidget;
  layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  return page;
}

}  // namespace

QWidget* BuildStandInPlcPage() {
  QVBoxLayout* layout;
  QWidget* page = Page(layout);
  auto* ports = Named(new QGroupBox("Input Port (No check is Output)", page), "Frame4");
  auto* portLayout = new QVBoxLayout(ports);
  portLayout->addWidget(new QLabel("I/O Setting", ports));
  layout->addWidget(ports, 1);
  auto* comm = Named(new QGroupBox("Comunication", page), "Frame2");
  auto* commLayout = new QVBoxLayout(comm);
  const char* modes[] = {"No Use", "Binary Mode", "ASCII Mode (RS232)", "ASCII Mode (RS485)"};
  for (int i = 0; i < 4; ++i) commLayout->addWidget(Named(new QRadioButton(modes[i], comm), "optCmode", i));
  commLayout->addWidget(Named(new QLabel("Node (0~255)", comm), "lblNode"));
  layout->addWidget(comm);
  return page;
}

QWidget* BuildStandInSetupPage() {
  QVBoxLayout* layout;
  QWidget* page = Page(layout);

  auto* style = Named(new QGroupBox("Ladder Style", page), "Frame6");
  auto* styleLayout = new QVBoxLayout(style);
  styleLayout->addWidget(Named(new QLabel("Size", style), "Label10"));
  styleLayout->addWidget(Named(new QLabel("Space", style), "Label11"));
  styleLayout->addWidget(Named(new QLabel("Color", style), "Label12"));
  auto* colours = new QHBoxLayout;
  colours->addWidget(Named(new QRadioButton("Black", style), "optColor", 0));
  colours->addWidget(Named(new QRadioButton("White", style), "optColor", 1));
  styleLayout->addLayout(colours);
  layout->addWidget(style);

  auto* font = Named(new QGroupBox("Font", page), "Frame9");
  auto* fontLayout = new QHBoxLayout(font);
  fontLayout->addWidget(Named(new QLabel("AaBb 가나", font), "lblFontEx"), 1);
  fontLayout->addWidget(Named(new QPushButton("Change", font), "Command1"));
  layout->addWidget(font);

  auto* port = Named(new QGroupBox("RS232 Port", page), "Frame10");
  auto* portLayout = new QHBoxLayout(port);
  for (int i = 0; i < 4; ++i)
    portLayout->addWidget(Named(new QRadioButton(QString("COM%1").arg(i + 1), port), "optPort", i));
  portLayout->addWidget(Named(new QPushButton("Port Check", port), "Command2"));
  layout->addWidget(port);

  auto* config = Named(new QGroupBox("Configuration", page), "Frame11");
  auto* configLayout = new QVBoxLayout(config);
  configLayout->addWidget(Named(new QCheckBox("Ask Start when download", config), "chkAskStart"));
  configLayout->addWidget(Named(new QCheckBox("Alias First Display", config), "chkAliasFirst"));
  auto* languages = new QHBoxLayout;
  auto* english = Named(new QRadioButton("English", config), "optLanguage", 0);
  english->setChecked(true);
  languages->addWidget(english);
  languages->addWidget(Named(new QRadioButton("Korean", config), "optLanguage", 1));
  configLayout->addLayout(languages);
  layout->addWidget(config);
  layout->addStretch(1);
  return page;
}

}  // namespace shell
