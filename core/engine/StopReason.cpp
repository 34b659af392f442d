#include "core/engine/StopReason.h"

namespace plumeo {

std::string StopReason::message() const {
    switch (kind) {
    case Kind::targetNotFrontmost:
        return "Word 不在前台，已停止发送：" + detail;
    case Kind::documentChanged:
        return "目标文档已切换，已停止发送：" + detail;
    case Kind::focusLeftBody:
        return "焦点离开了目标正文，已停止发送：" + detail;
    case Kind::dialogOpened:
        return "Word 出现了对话框，已停止发送：" + detail;
    case Kind::selectionChanged:
        return "光标或选区发生了意外变化，已停止发送：" + detail;
    case Kind::userActivity:
        return "检测到你在操作键盘或鼠标，已自动暂停：" + detail;
    case Kind::permissionLost:
        return "系统权限失效，已停止发送：" + detail;
    case Kind::readbackMismatch:
        return "读回内容与预期不一致，已停止发送：" + detail;
    case Kind::readbackFailed:
        return "无法读回 Word 内容，已停止发送：" + detail;
    case Kind::wordNotKeepingUp:
        return "Word 没有及时处理输入，已停止发送：" + detail;
    case Kind::documentNotEditable:
        return "文档不可编辑：" + detail;
    case Kind::typoUnverifiable:
        return "错字纠正无法确认边界，已暂停且未退格：" + detail;
    case Kind::internalError:
        return "内部错误：" + detail;
    case Kind::userPause:
        return "已暂停。";
    case Kind::userCancel:
        return "已取消。已写入的内容不会被自动删除。";
    case Kind::emergencyStop:
        return "紧急停止。已写入的内容不会被自动删除。";
    case Kind::wordTerminated:
        return "Word 已退出，已停止发送。";
    }
    return {};
}

bool StopReason::isResumable() const {
    switch (kind) {
    case Kind::documentNotEditable:
    case Kind::internalError:
    case Kind::userCancel:
    case Kind::emergencyStop:
    case Kind::wordTerminated:
        return false;
    default:
        return true;
    }
}

} // namespace plumeo
