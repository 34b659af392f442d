#include "app/entry/Usage.h"

namespace plumeo::entry {

std::string usageText() {
    return R"(用法：
  plumeo                                打开窗口应用
  plumeo --type 文章.txt [选项]          在终端里完成一次输入：检测光标、倒计时、输入、核对
  plumeo --analyze 文章.txt              文章统计、自动更正风险、各方式的预计用时
  plumeo --help                          显示本说明

--type 的选项：
  --mode stable|fast|natural             输入方式（默认：上次在应用里选的）
  --speed 字/分钟                         稳定与自然节奏的速度
  --minutes 分钟                          按总时长反推速度（与 --speed 二选一）
  --typos 比例                            自然节奏下偶尔打错再改正，比例 0 … 0.4（如 0.02）
  --no-typos                             不打错字
  --countdown 秒                          开始前倒计时（默认 3）
  --background-typing on|off             输入时允许切到其他应用
  --accept-differences                   暂停时无人可问：接受差异并继续（否则取消）
  --json                                 结束时在标准输出写 JSON 结果（不含文章内容）
  --seed 数字                             固定随机种子，便于复现
  --backend sim|apple|writer             平台后端（writer：X11 上的 LibreOffice Writer）
  --sim-socket 路径                       连接已在运行的模拟器
  --start-simulator                      自己启动一个模拟器（Linux 上演示用）
  终端里：Ctrl-C 紧急停止（等发送真正停下再退出）；暂停时可选 继续 / 接受差异 / 取消。
  进度在标准错误输出；终端上是一行实时进度，否则每隔几秒一行。

窗口应用的选项：
  --ui-snapshot 目录                      把每个可见窗口存成 PNG（ui-window-N.png）后退出
  --appearance light|dark                快照时强制浅色或深色外观
  --demo                                 快照时载入示例文章
  --ui-scene idle|intro|running|paused   快照的场景：首页、使用说明、输入中、暂停（后两者连浮动面板一起）

后台任务（写 Markdown 报告到目录后退出）：
  --probe 目录                            技术验证探针（probe.md）
  --selftest 套件 目录 [--quick] [--cases 编号,…]
                                         自检（selftest-套件.md 与 .json；--quick 缩短长文；
                                         --cases 只运行所列干扰用例，如 I2,I3,I8，I2 为取消用例）
  --cleanup-test-docs 目录                关闭自检留下的未保存测试文档（cleanup.md）
  --probe-background 目录 [--no-emoji]    后台输入探针（probe-background.md）；--no-emoji 跳过变体选择符 emoji
  --probe-pages 目录                      跨页探针（probe-pages.md）
  --probe-emoji 目录 [--breaks]           emoji 探针（probe-emoji.md）；--breaks 穿插换行与 Tab
  --request-permissions 目录              请求系统权限（permissions.md）
  --status 目录                           权限与 Word 状态（status.md）

退出状态：
  0  输入完成并逐字核对一致
  1  完成，但含已接受的差异
  2  用法错误
  3  结果不一致或无法核对
  4  已取消、失败或无法开始
)";
}

} // namespace plumeo::entry
