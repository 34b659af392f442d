#include "core/text/Homophones.h"

#include <string>
#include <unordered_map>

namespace plumeo::Homophones {
namespace {

// Groups of characters that share a pronunciation, separated by the ideographic comma. Each
// group is a small set of characters an input-method user could plausibly pick by mistake.
constexpr std::u16string_view groups =
    u"的得地、在再载、作做坐座昨、他她它、那哪拿、以已意义亿、"
    u"是事时实使式试市世示势、有又右友由油、到道倒导岛、和合河何核、"
    u"就旧九久酒救、会回汇惠挥、后候厚侯、想向象像相项香、要药摇邀咬、"
    u"个各格隔歌、们门闷、中种重众钟终、生声升胜省剩、成城承程诚呈、"
    u"应影映英迎硬、于与语育预遇玉雨、而儿二耳、如入儒、分份粉奋、自字子资紫、"
    u"力立利历理里李礼离例、全权泉劝圈、定订顶丁、行形型性兴姓星、用永勇拥佣、"
    u"度渡读独毒、明名命鸣铭、因音阴引印银、为位未维围委味伟、心新信辛薪欣、"
    u"期其奇起气器齐、见建健件间简减检、现线限先显险县、"
    u"制治致至只知之直值职支、主住注助著祝朱、化话画华划花、题提体替踢、"
    u"问文闻稳温吻、经京精景警竟净静、过国果锅裹、好号耗豪毫、高搞告稿膏、"
    u"感敢赶干甘、觉角决绝脚、书输树数属述熟、发法罚乏伐、方防房放访芳、"
    u"关观管官馆惯、来莱赖、看砍刊坎、科可课客刻克渴、两亮量辆良凉、"
    u"平评苹瓶凭、前钱浅签千迁、情清请轻晴青、去取曲趣区驱、然燃染、"
    u"人仁认任忍、上伤商尚赏、少绍烧稍、手首受收守瘦、水睡税、思司死四私丝撕、"
    u"所索锁缩、太台态抬泰、天添田甜填、听停挺厅庭、同通统痛童铜、"
    u"完万晚湾玩碗、王网往忘望旺、无物五务误武屋、下夏吓虾侠、些写谢血鞋协、"
    u"学雪穴、样养阳洋扬、也业页夜叶野、元员原院远园源、月越阅约跃、"
    u"张长章涨掌、找照招赵朝、这着者折哲、真针珍阵镇、正整政争挣征、走奏邹、"
    u"最罪嘴醉、比笔必毕币避、部不步布补、才材财裁采彩、常场唱厂尝、"
    u"打大达答搭、但淡蛋弹单担、当档挡党、等灯登邓、第底低敌、对队兑、"
    u"多夺朵躲、非飞费肥废、该改盖概、跟根更艮、广光逛、还孩海害骇、很恨狠、"
    u"或活火货获、几机己及急记级济即既、家加假价架甲佳、将讲奖降江姜、"
    u"教交叫较焦、接街结解节界借姐、今金进近紧尽仅、空控孔恐、老劳牢捞、"
    u"了料聊疗、能嫩、你泥尼逆、年念粘碾、什深神身申审甚、我握卧沃、"
    u"系西希习细洗息喜、小校笑效消销晓、总纵宗综、把吧爸八拔、被备倍北背杯、"
    u"别憋瘪、从丛聪葱、出初除处楚触、头投透偷、图突土途吐";

constexpr char16_t groupSeparator = u'、';

class Table {
public:
    Table() {
        std::size_t start = 0;
        while (start <= groups.size()) {
            std::size_t end = groups.find(groupSeparator, start);
            if (end == std::u16string_view::npos)
                end = groups.size();
            addGroup(groups.substr(start, end - start));
            start = end + 1;
        }
    }

    std::u16string_view alternatives(char16_t character) const {
        const auto found = entries_.find(character);
        if (found == entries_.end())
            return {};
        return found->second;
    }

private:
    void addGroup(std::u16string_view group) {
        if (group.size() < 2)
            return;
        for (const char16_t character : group) {
            // A character listed in two groups keeps the alternatives of its first group.
            if (entries_.contains(character))
                continue;
            std::u16string others;
            for (const char16_t other : group) {
                if (other != character)
                    others.push_back(other);
            }
            entries_.emplace(character, std::move(others));
        }
    }

    std::unordered_map<char16_t, std::u16string> entries_;
};

const Table& table() {
    // Built on first use; a function-local static makes that thread-safe.
    static const Table instance;
    return instance;
}

} // namespace

bool hasAlternatives(char16_t character) {
    return !table().alternatives(character).empty();
}

std::u16string_view alternatives(char16_t character) {
    return table().alternatives(character);
}

} // namespace plumeo::Homophones
