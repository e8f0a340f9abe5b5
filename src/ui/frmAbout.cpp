#include "ui/frmAbout.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("TFormAbout");
  setWindowTitle("About");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* product = new QLabel(ProductLine(QCoreApplication::applicationVersion()));
  product->setObjectName("ProductLine");
  QFont bold = product->font();
  bold.setBold(true);
  product->setFont(bold);
  auto* credits = new QLabel(Credits());
  credits->setObjectName("Credits");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(product);
  layout->addWidget(credits);
  layout->addWidget(buttons);
}

QString TFormAbout::ProductLine(const QString& version) {
  return "Vexlor Player v" + (version.isEmpty() ? QString("1.0.0") : version) + " - Commodore 64 Music Player";
}

QString TFormAbout::Credits() {
  return "Plays Commodore 64 music on real SID chips:\n"
         "HardSID cards through the HardSID library,\n"
         "Catweasel MK3 and MK4 cards through their device drivers.";
}
