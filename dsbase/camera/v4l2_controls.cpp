#include "dsbase/camera/v4l2_controls.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lumicar {

namespace {

HRESULT ResultOf(int error) {
  switch (error) {
    case EINVAL:
    case ERANGE:
      return E_INVALIDARG;
    default:
      return DSErrnoResult(error);
  }
}

}  // namespace

bool TDSV4L2Controls::MappingOf(int32_t property, TMapping* m) {
  static const TMapping table[] = {
      {V4L2_CID_BRIGHTNESS, 0, false},
      {V4L2_CID_CONTRAST, 0, false},
      {V4L2_CID_HUE, V4L2_CID_HUE_AUTO, false},
      {V4L2_CID_SATURATION, 0, false},
      {V4L2_CID_SHARPNESS, 0, false},
      {V4L2_CID_GAMMA, 0, false},
      {V4L2_CID_COLOR_KILLER, 0, true},
      {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, false},
      {V4L2_CID_BACKLIGHT_COMPENSATION, 0, false},
      {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN, false},
  };
  if (property < 0 || property >= int32_t(std::size(table))) return false;
  *m = table[property];
  return true;
}

bool TDSV4L2Controls::Query(int fd, uint32_t id, v4l2_query_ext_ctrl* q) {
  std::memset(q, 0, sizeof *q);
  q->id = id;
  if (device_.Ioctl(fd, VIDIOC_QUERY_EXT_CTRL, q) != 0) return false;
  if (q->id != id || (q->flags & V4L2_CTRL_FLAG_DISABLED)) return false;
  // Only controls that fit the interface's 32-bit values.
  return q->minimum >= INT32_MIN && q->maximum <= INT32_MAX && q->minimum <= q->maximum;
}

HRESULT TDSV4L2Controls::GetRange(int fd, int32_t property, int32_t* min, int32_t* max, int32_t* step,
                                  int32_t* defaultValue, int32_t* capsFlags) {
  if (!min || !max || !step || !defaultValue || !capsFlags) return E_POINTER;
  TMapping m;
  v4l2_query_ext_ctrl q;
  if (!MappingOf(property, &m) || !Query(fd, m.id, &q)) return E_PROP_ID_UNSUPPORTED;
  if (m.inverted) {
    *min = 0, *max = 1, *step = 1, *defaultValue = q.default_value ? 0 : 1;
  } else {
    *min = int32_t(q.minimum), *max = int32_t(q.maximum), *step = int32_t(std::max<uint64_t>(q.step, 1));
    *defaultValue = int32_t(q.default_value);
  }
  v4l2_query_ext_ctrl a;
  *capsFlags = VideoProcAmp_Flags_Manual | (m.autoId && Query(fd, m.autoId, &a) ? VideoProcAmp_Flags_Auto : 0);
  return S_OK;
}

HRESULT TDSV4L2Controls::Get(int fd, int32_t property, int32_t* value, int32_t* flags) {
  if (!value || !flags) return E_POINTER;
  TMapping m;
  v4l2_query_ext_ctrl q;
  if (!MappingOf(property, &m) || !Query(fd, m.id, &q)) return E_PROP_ID_UNSUPPORTED;
  v4l2_control c{m.id, 0};
  if (device_.Ioctl(fd, VIDIOC_G_CTRL, &c) != 0) return ResultOf(errno);
  *value = m.inverted ? (c.value ? 0 : 1) : c.value;
  *flags = VideoProcAmp_Flags_Manual;
  v4l2_query_ext_ctrl a;
  v4l2_control ac{m.autoId, 0};
  if (m.autoId && Query(fd, m.autoId, &a) && device_.Ioctl(fd, VIDIOC_G_CTRL, &ac) == 0 && ac.value)
    *flags = VideoProcAmp_Flags_Auto;
  return S_OK;
}

HRESULT TDSV4L2Controls::Set(int fd, int32_t property, int32_t value, int32_t flags) {
  TMapping m;
  v4l2_query_ext_ctrl q;
  if (!MappingOf(property, &m) || !Query(fd, m.id, &q)) return E_PROP_ID_UNSUPPORTED;
  v4l2_query_ext_ctrl a;
  const bool hasAuto = m.autoId && Query(fd, m.autoId, &a);
  if (flags & VideoProcAmp_Flags_Auto) {
    if (!hasAuto) return E_INVALIDARG;
    return Write(fd, m.autoId, 1);
  }
  if (!(flags & VideoProcAmp_Flags_Manual)) return E_INVALIDARG;
  // The manual value is refused while the automatic control is on: switch
  // that off first.
  if (hasAuto) {
    const HRESULT hr = Write(fd, m.autoId, 0);
    if (FAILED(hr)) return hr;
  }
  return Write(fd, m.id, m.inverted ? (value ? 0 : 1) : value);
}

HRESULT TDSV4L2Controls::Write(int fd, uint32_t id, int32_t value) {
  v4l2_control c{id, value};
  if (device_.Ioctl(fd, VIDIOC_S_CTRL, &c) != 0) return ResultOf(errno);
  Remember(id, value);
  return S_OK;
}

void TDSV4L2Controls::Remember(uint32_t id, int32_t value) {
  written_.erase(std::remove_if(written_.begin(), written_.end(), [&](const auto& e) { return e.first == id; }),
                 written_.end());
  written_.emplace_back(id, value);
}

void TDSV4L2Controls::Replay(int fd) {
  for (const auto& [id, value] : written_) {
    v4l2_control c{id, value};
    device_.Ioctl(fd, VIDIOC_S_CTRL, &c);  // best effort: the value was accepted before
  }
}

HRESULT TDSV4L2Controls::List(int fd, std::vector<TDSCameraControl>* controls) {
  std::vector<TDSCameraControl>& list = *controls;
  list.clear();
  uint32_t last = 0;
  for (int guard = 0; guard < 1024; ++guard) {
    v4l2_query_ext_ctrl q{};
    q.id = last | V4L2_CTRL_FLAG_NEXT_CTRL;
    if (device_.Ioctl(fd, VIDIOC_QUERY_EXT_CTRL, &q) != 0) {
      // EINVAL ends the list; anything else (a camera that is gone) is no
      // list at all, not an empty one.
      if (errno != EINVAL) {
        const int error = errno;
        list.clear();
        return DSErrnoResult(error);
      }
      break;
    }
    if (q.id <= last) break;  // a driver that does not move on
    last = q.id;
    if (q.flags & V4L2_CTRL_FLAG_DISABLED) continue;
    TDSCameraControl c;
    switch (q.type) {
      case V4L2_CTRL_TYPE_INTEGER:
        c.kind = TDSCameraControl::ckInteger;
        break;
      case V4L2_CTRL_TYPE_BOOLEAN:
        c.kind = TDSCameraControl::ckBoolean;
        break;
      case V4L2_CTRL_TYPE_MENU:
      case V4L2_CTRL_TYPE_INTEGER_MENU:
        c.kind = TDSCameraControl::ckMenu;
        break;
      case V4L2_CTRL_TYPE_BUTTON:
        c.kind = TDSCameraControl::ckButton;
        break;
      default:
        continue;  // classes, strings, 64-bit and compound controls are not shown
    }
    if (q.minimum < INT32_MIN || q.maximum > INT32_MAX || q.minimum > q.maximum) continue;
    c.id = q.id;
    c.name = QString::fromUtf8(q.name, int(strnlen(q.name, sizeof q.name)));
    c.minimum = int32_t(q.minimum);
    c.maximum = int32_t(q.maximum);
    c.step = int32_t(std::clamp<uint64_t>(q.step, 1, INT32_MAX));
    c.defaultValue = int32_t(q.default_value);
    c.readOnly = (q.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
    c.inactive = (q.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
    if (c.kind == TDSCameraControl::ckMenu)
      for (int64_t i = q.minimum; i <= q.maximum && i - q.minimum < 256; ++i) {
        v4l2_querymenu m{};
        m.id = q.id;
        m.index = uint32_t(i);
        if (device_.Ioctl(fd, VIDIOC_QUERYMENU, &m) != 0) continue;  // gaps are allowed
        const QString label = q.type == V4L2_CTRL_TYPE_MENU
                                  ? QString::fromUtf8(reinterpret_cast<const char*>(m.name),
                                                      int(strnlen(reinterpret_cast<const char*>(m.name), 32)))
                                  : QString::number(m.value);
        c.menu.emplace_back(int32_t(i), label);
      }
    list.push_back(std::move(c));
  }
  return S_OK;
}

HRESULT TDSV4L2Controls::GetControl(int fd, uint32_t id, int32_t* value) {
  if (!value) return E_POINTER;
  v4l2_control c{id, 0};
  if (device_.Ioctl(fd, VIDIOC_G_CTRL, &c) != 0) return ResultOf(errno);
  *value = c.value;
  return S_OK;
}

HRESULT TDSV4L2Controls::SetControl(int fd, uint32_t id, int32_t value) {
  // A button is an action, not a state: it is not remembered, or the next
  // VIDIOC_STREAMON would press it again.
  v4l2_query_ext_ctrl q;
  if (Query(fd, id, &q) && q.type == V4L2_CTRL_TYPE_BUTTON) {
    v4l2_control c{id, 0};
    return device_.Ioctl(fd, VIDIOC_S_CTRL, &c) == 0 ? S_OK : ResultOf(errno);
  }
  return Write(fd, id, value);
}

HRESULT TDSV4L2Controls::Reset(int fd) {
  HRESULT result = S_OK;
  // Automatic controls first, so the manual ones they govern can be written.
  std::vector<TDSCameraControl> all;
  if (const HRESULT hr = List(fd, &all); FAILED(hr)) return hr;
  std::stable_partition(all.begin(), all.end(), [](const TDSCameraControl& c) {
    return c.id == V4L2_CID_AUTO_WHITE_BALANCE || c.id == V4L2_CID_AUTOGAIN || c.id == V4L2_CID_HUE_AUTO ||
           c.id == V4L2_CID_EXPOSURE_AUTO || c.id == V4L2_CID_FOCUS_AUTO;
  });
  for (const TDSCameraControl& c : all) {
    if (c.readOnly || c.kind == TDSCameraControl::ckButton) continue;
    const HRESULT hr = Write(fd, c.id, c.defaultValue);
    // A control governed by an automatic one refuses; that is expected.
    if (FAILED(hr) && hr != E_INVALIDARG && hr != DSErrnoResult(EACCES) && hr != DSErrnoResult(EBUSY) &&
        SUCCEEDED(result))
      result = hr;
  }
  return result;
}

}  // namespace lumicar
