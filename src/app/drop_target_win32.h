#pragma once
// Dropped files: an OLE drop target on the tab panel. It accepts files
// while the main window takes drops and queues them for the event loop.
#include <windows.h>
#include <ole2.h>

#include <memory>

namespace vantorel {

class FileDropTarget final : public IDropTarget {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    // COM's own lifetime rule: the last reference frees the object.
    if (left == 0) std::unique_ptr<FileDropTarget>(this).reset();
    return left;
  }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    acceptable_ = data && data->QueryGetData(&format) == S_OK;
    *effect = Effect();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = Effect();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    acceptable_ = false;
    return S_OK;
  }
  // Takes the dropped paths and queues them for the main window's loop.
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override;

 private:
  DWORD Effect() const;
  ULONG references_ = 1;
  bool acceptable_ = false;
};

}  // namespace vantorel
