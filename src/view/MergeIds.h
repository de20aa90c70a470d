// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Edits that come in runs (a slider moved, the wheel turned) make one undo
// step per run: consecutive edits with the same id merge.
enum TViewMergeId { kMergeAnimateStep = 1, kMergeInterval, kMergeLightColor, kMergeLightW, kMergeZoom };
