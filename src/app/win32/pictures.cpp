#include "app/win32/pictures.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <utility>

#include "resource_ids.h"

namespace kestrova::win {
namespace {

// Holds one COM interface and releases it.
template <class Interface>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  Interface* get() const { return p_; }
  Interface* operator->() const { return p_; }
  Interface** put() { return &p_; }
  void** putVoid() { return reinterpret_cast<void**>(&p_); }

 private:
  Interface* p_ = nullptr;
};

// Movable global memory, freed unless a stream has taken it over.
class GlobalMemory {
 public:
  explicit GlobalMemory(SIZE_T bytes) : memory_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
  ~GlobalMemory() {
    if (memory_) GlobalFree(memory_);
  }
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;

  HGLOBAL get() const { return memory_; }
  HGLOBAL release() { return std::exchange(memory_, nullptr); }

 private:
  HGLOBAL memory_;
};

// COM for the picture loader; balanced whether or not COM was already running on this thread.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

// A stream over a copy of the resource's bytes.
bool openResourceStream(HINSTANCE module, int resourceId, ComRef<IStream>& stream, DWORD& bytes) {
  HRSRC found =
      FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return false;
  bytes = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || bytes == 0) return false;

  GlobalMemory copy(bytes);
  if (!copy.get()) return false;
  void* target = GlobalLock(copy.get());
  if (!target) return false;
  std::memcpy(target, data, bytes);
  GlobalUnlock(copy.get());

  if (FAILED(CreateStreamOnHGlobal(copy.get(), TRUE, stream.put()))) return false;
  copy.release();  // the stream frees it now
  return true;
}

// The picture's size in pixels: that of its bitmap, else its HIMETRIC size at the screen's DPI.
SIZE pixelSize(IPicture* picture, HDC screen, OLE_XSIZE_HIMETRIC width, OLE_YSIZE_HIMETRIC height) {
  OLE_HANDLE handle = 0;
  BITMAP info{};
  if (SUCCEEDED(picture->get_Handle(&handle)) && handle &&
      GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)), sizeof info, &info)) {
    return SIZE{info.bmWidth, info.bmHeight};
  }
  return SIZE{MulDiv(width, GetDeviceCaps(screen, LOGPIXELSX), 2540),
              MulDiv(height, GetDeviceCaps(screen, LOGPIXELSY), 2540)};
}

}  // namespace

const Picture* PictureSet::of(PictureState state) const {
  switch (state) {
    case PictureState::mouseOver:
      return mouseOver;
    case PictureState::pressed:
      return pressed;
    case PictureState::disabled:
      return disabled ? disabled : normal;
    case PictureState::normal:
      break;
  }
  return normal;
}

Picture loadPicture(HINSTANCE module, int resourceId) {
  Picture result;
  ComRef<IStream> stream;
  DWORD bytes = 0;
  if (!openResourceStream(module, resourceId, stream, bytes)) return result;

  ComRef<IPicture> picture;
  if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(bytes), FALSE, IID_IPicture,
                            picture.putVoid())) ||
      !picture.get()) {
    return result;
  }
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Width(&width);
  picture->get_Height(&height);

  WindowDc screen;
  SIZE size = pixelSize(picture.get(), screen.get(), width, height);
  if (size.cx <= 0 || size.cy <= 0) return result;

  MemoryDc memory(screen.get());
  Bitmap bitmap(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
  if (!memory.get() || !bitmap) return result;
  {
    Selection selected(memory.get(), bitmap.get());
    // The picture's own coordinates run bottom-up: start at the top edge, go up by its height.
    if (FAILED(picture->Render(memory.get(), 0, 0, size.cx, size.cy, 0, height, width, -height,
                               nullptr))) {
      return result;
    }
  }
  result.bitmap = std::move(bitmap);
  result.size = size;
  return result;
}

namespace {

// The order of the pictures in Pictures: a normal and a mouse-over picture per button.
struct ButtonPictures {
  Ctl button;
  int normal;
  int mouseOver;
};
constexpr ButtonPictures kButtons[] = {
    {Ctl::图形按钮4, IDR_SETTINGS_NORMAL, IDR_SETTINGS_OVER},
    {Ctl::图形按钮1, IDR_FOLD_NORMAL, IDR_FOLD_OVER},
    {Ctl::图形按钮5, IDR_MINIMISE_NORMAL, IDR_MINIMISE_OVER},
    {Ctl::图形按钮3, IDR_CLOSE_NORMAL, IDR_CLOSE_OVER},
};
static_assert(std::size(kButtons) * 2 == Pictures::kCount);

}  // namespace

Pictures::Pictures(HINSTANCE module) {
  ComScope com;
  std::size_t i = 0;
  for (const auto& b : kButtons) {
    pictures_[i++] = loadPicture(module, b.normal);
    pictures_[i++] = loadPicture(module, b.mouseOver);
  }
}

PictureSet Pictures::of(Ctl button) const {
  std::size_t i = 0;
  for (const auto& b : kButtons) {
    if (b.button == button) {
      const Picture* normal = &pictures_[i];
      const Picture* mouseOver = &pictures_[i + 1];
      return PictureSet{normal, mouseOver, normal, mouseOver};
    }
    i += 2;
  }
  return PictureSet{};
}

}  // namespace kestrova::win
