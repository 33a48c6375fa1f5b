#include "core/text/ShiftedPositions.h"

qsizetype ShiftedPositions::lowerBound(qsizetype pos) const {
    qsizetype lo = 0;
    qsizetype hi = size();
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (at(mid) < pos) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

qsizetype ShiftedPositions::upperBound(qsizetype pos) const {
    return pos == std::numeric_limits<qsizetype>::max() ? size() : lowerBound(pos + 1);
}

bool ShiftedPositions::contains(qsizetype pos) const {
    const qsizetype i = lowerBound(pos);
    return i < size() && at(i) == pos;
}

void ShiftedPositions::assign(std::vector<qsizetype> positions) {
    raw_ = std::move(positions);
    stepAt_ = 0;
    step_ = 0;
}

void ShiftedPositions::stepTo(qsizetype i) {
    if (step_ == 0) {
        stepAt_ = i;
        return;
    }
    for (; stepAt_ < i; ++stepAt_) raw_[std::size_t(stepAt_)] += step_;
    for (; stepAt_ > i; --stepAt_) raw_[std::size_t(stepAt_ - 1)] -= step_;
}

void ShiftedPositions::shiftFrom(qsizetype i, qsizetype by) {
    stepTo(i);
    step_ += by;
}

void ShiftedPositions::erase(qsizetype from, qsizetype to) {
    if (from == to) return;
    stepTo(from);
    raw_.erase(raw_.begin() + from, raw_.begin() + to);
}

void ShiftedPositions::insert(qsizetype i, const std::vector<qsizetype>& positions) {
    if (positions.empty()) return;
    stepTo(i);
    const auto at = raw_.insert(raw_.begin() + i, positions.begin(), positions.end());
    for (auto it = at; it != at + qsizetype(positions.size()); ++it) *it -= step_;
}
