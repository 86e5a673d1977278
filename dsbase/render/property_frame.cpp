#include "dsbase/render/property_frame.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <vector>

#include "dsbase/com/class_factory.h"
#include "dsbase/graph/property_page_interfaces.h"

namespace lumicar {

namespace {

void ApplyDirty(const std::vector<TIntf<IPropertyPage>>& pages) {
  for (const auto& page : pages)
    if (page->IsPageDirty() == S_OK) page->Apply();
}

}  // namespace

HRESULT OleCreatePropertyFrame(QWidget* owner, int x, int y, const char16_t* caption, uint32_t objectCount,
                               IUnknown** objects, uint32_t pageCount, const TGUID* pages, uint32_t) {
  if ((objectCount && !objects) || (pageCount && !pages)) return E_POINTER;
  for (uint32_t i = 0; i < objectCount; ++i)
    if (!objects[i]) return E_POINTER;

  std::vector<TIntf<IPropertyPage>> made;
  HRESULT failure = E_FAIL;
  for (uint32_t i = 0; i < pageCount; ++i) {
    void* raw = nullptr;
    const HRESULT hr = CoCreateInstance(pages[i], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, &raw);
    if (FAILED(hr) || !raw) {
      failure = FAILED(hr) ? hr : E_FAIL;
      continue;
    }
    TIntf<IPropertyPage> page = TIntf<IPropertyPage>::Adopt(static_cast<IPropertyPage*>(raw));
    if (SUCCEEDED(page->SetObjects(objectCount, objects))) made.push_back(page);
  }
  if (made.empty()) return failure;

  QDialog dialog(owner);
  dialog.setWindowTitle(caption ? QString::fromUtf16(caption) : QString());
  auto* layout = new QVBoxLayout(&dialog);
  auto* tabs = new QTabWidget(&dialog);
  layout->addWidget(tabs);
  for (const auto& page : made) {
    PROPPAGEINFO info;
    page->GetPageInfo(&info);
    auto* host = new QWidget(tabs);
    if (info.Width > 0 && info.Height > 0) host->setMinimumSize(info.Width, info.Height);
    tabs->addTab(host, info.Title);
    page->Activate(host);
  }
  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, &dialog);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    ApplyDirty(made);
    dialog.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, &dialog, [&] { ApplyDirty(made); });
  if (x >= 0 && y >= 0) dialog.move(x, y);
  dialog.exec();

  for (const auto& page : made) {
    page->Deactivate();
    page->SetObjects(0, nullptr);
  }
  return S_OK;
}

}  // namespace lumicar
