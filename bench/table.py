#!/usr/bin/env python3
"""Prints the comparison table from a Google Benchmark JSON report (bench/compare.sh runs it).

Each row sets one of the program's paths beside its peer library or its memory limit, with the
goal for their ratio; a row that misses its goal ends in the word MISS. The goal is judged on the
medians of wall time; the ratio of CPU-time medians is shown beside it, since on a busy machine
it says more about the code than the wall clock does."""
import json
import sys

# (path, our benchmark, reference benchmark, goal ratio); a goal of "<1" means "faster than",
# "info" a row shown for information only (it never misses).
ROWS = [
    ("Subtract 4000x3000", "ops/subtract", "limit/read2write1", 2.0),
    ("Subtract, limit with new memory", "ops/subtract", "limit/read2write1_fresh", "info"),
    ("Add 4000x3000", "ops/add", "limit/read2write1", 2.0),
    ("Add Bit 4000x3000", "ops/add_bit", "limit/read2write1", 2.0),
    ("Set LSBs 4000x3000", "ops/set_lsbs", "limit/read2write1", 2.0),
    ("Show LSBs 4000x3000", "ops/show_lsbs", "limit/read2write1", 2.0),
    ("Blacken 4000x3000", "ops/blacken", "limit/write1", 2.0),
    ("Whiten 4000x3000", "ops/whiten", "limit/write1", 2.0),
    ("Inspector view: Normal", "inspect/view_normal", "limit/read2write1", 2.0),
    ("Inspector view: channel as grey", "inspect/view_channel_grey", "limit/read2write1", 2.0),
    ("Inspector view: bit plane", "inspect/view_bit_plane", "limit/read2write1", 2.0),
    ("Inspector view: RGB bit", "inspect/view_rgb_bit", "limit/read2write1", 2.0),
    ("Inspector view: Inverted", "inspect/view_inverted", "limit/read2write1", 2.0),
    ("Inspector view: Grey pixels", "inspect/view_grey_pixels", "limit/read2write1", 2.0),
    ("Inspector difference x64", "inspect/difference_x64", "limit/read2write1", 2.0),
    ("BMP write 32-bit", "bmp/write32", "limit/fwrite_bmp32", 1.5),
    ("BMP write 32-bit, synced+renamed", "bmp/save_file32", "limit/fwrite_sync_rename_bmp32", 1.5),
    ("BMP read 24-bit", "bmp/read24", "limit/fread_copy_bmp24", 2.0),
    ("BMP read 24-bit vs stb_image", "bmp/read24", "bmp/stb_read24", "<1"),
    ("BMP read 32-bit", "bmp/read32", "limit/fread_copy_bmp32", 2.0),
    ("BMP read 32-bit vs stb_image", "bmp/read32", "bmp/stb_read32", "<1"),
    ("JPEG decode photo", "jpeg/decode_photo", "jpeg/libjpeg_decode_photo", 1.1),
    ("JPEG decode flat", "jpeg/decode_flat", "jpeg/libjpeg_decode_flat", 1.1),
    ("JPEG encode photo q95", "jpeg/encode_photo", "jpeg/libjpeg_encode_photo", 1.1),
    ("JPEG encode flat q95", "jpeg/encode_flat", "jpeg/libjpeg_encode_flat", 1.1),
    ("GIF decode photo", "gif/decode_photo", "gif/giflib_decode_photo", 0.7),
    ("GIF decode photo vs stb_image", "gif/decode_photo", "gif/stb_decode_photo", "<1"),
    ("GIF decode flat", "gif/decode_flat", "gif/giflib_decode_flat", 0.7),
    ("GIF decode flat vs stb_image", "gif/decode_flat", "gif/stb_decode_flat", "<1"),
    ("GIF encode photo (reduction+LZW)", "gif/encode_photo", "gif/giflib_encode_photo", 1.0),
    ("GIF encode flat (reduction+LZW)", "gif/encode_flat", "gif/giflib_encode_flat", 1.0),
    ("GIF LZW coder alone, photo", "gif/lzw_photo", "gif/giflib_encode_photo", "info"),
    ("GIF LZW coder alone, flat", "gif/lzw_flat", "gif/giflib_encode_flat", "info"),
    ("GIF read through a file, photo", "gif/read_file_photo", "gif/giflib_decode_photo", 0.7),
    ("GIF default colour reduction", "gif/reduce_photo", "limit/read24_write8", 2.0),
    ("GIF reduction of a 32-bit picture", "gif/reduce32_photo", "limit/read24_write8", 2.0),
    ("GIF open into a pane (paint)", "gif/paint_photo", "limit/index_to_colour", 2.0),
    ("GIF render + paint, ready buffer", "gif/render_paint_photo", "limit/index_to_colour", 2.0),
    ("PNG decode photo", "png/decode_photo", "png/libpng_decode_photo", 0.8),
    ("PNG decode photo vs stb_image", "png/decode_photo", "png/stb_decode_photo", "<1"),
    ("PNG decode flat", "png/decode_flat", "png/libpng_decode_flat", 0.8),
    ("PNG decode flat vs stb_image", "png/decode_flat", "png/stb_decode_flat", "<1"),
    ("PNG encode photo (level 6, all filters)", "png/encode_photo", "png/libpng_encode_photo", 1.0),
    ("PNG encode flat (level 6, all filters)", "png/encode_flat", "png/libpng_encode_flat", 1.0),
    ("DrawTo 4000x3000 -> 1920x1080", "view/drawto_1920x1080", "limit/read_sampled_rows_1920x1080", 1.5),
    ("Pane repaint 1000x700", "view/repaint_1000x700", "limit/read_sampled_rows_1000x700", 1.0),
    ("Pane repaint + copy to the window", "view/paint_event_1000x700", "limit/read_sampled_rows_1000x700", 1.5),
    ("Pane uncovered: copy to the window only", "view/uncovered_1000x700", "limit/copy_1000x700", "info"),
    ("Pane repaint vs copying its back buffer", "view/repaint_1000x700", "limit/copy_1000x700", "info"),
    ("Pane repaint after an idle pause", "view/repaint_after_idle_1000x700", "limit/copy_1000x700_after_idle", "info"),
    ("Pane repaint + copy after an idle pause", "view/paint_event_after_idle_1000x700", "limit/copy_1000x700_after_idle", "info"),
    ("Extract 0,rgb 4000x3000", "hidden/extract_0rgb", "limit/read2write1", 2.0),
    ("Hide 0,rgb 4000x3000 (full capacity)", "hidden/hide_0rgb", "limit/read2write1", 2.0),
    ("Scan 4000x3000 (every layout)", "hidden/scan", "limit/read2write1", 20.0),
    ("Detection: RS, SPA, chi-square on r, g, b", "detect/estimators", "limit/read2write1", 10.0),
    ("Detection: heat map of 32x32 blocks", "detect/heat_map", "limit/read2write1", 20.0),
]


def medians(report, field):
    times = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") == "median" and not b.get("error_occurred"):
            name = b["run_name"].removesuffix("/real_time").removesuffix("/process_time")
            times[name] = b[field]  # milliseconds (every benchmark uses that unit)
    return times


def main():
    with open(sys.argv[1]) as f:
        report = json.load(f)
    times = medians(report, "real_time")
    cpu = medians(report, "cpu_time")
    head = ("path", "ours ms", "reference", "ref ms", "ratio", "cpu ratio", "goal")
    lines = []
    for path, ours, ref, goal in ROWS:
        goal_text = "info" if goal == "info" else "faster" if goal == "<1" else f"<= {goal:.1f}x"
        if ours not in times or ref not in times:
            missing = ours if ours not in times else ref
            lines.append((path, "-", ref, f"{times[ref]:.2f}" if ref in times else "-", "-", "-", goal_text,
                          f"not measured ({missing} not built)"))
            continue
        ratio = times[ours] / times[ref]
        if goal == "info":
            missed = False
        elif goal == "<1":
            missed = ratio >= 1.0
        else:
            missed = ratio > goal
        cpu_ratio = cpu[ours] / cpu[ref] if cpu.get(ref) else float("nan")
        lines.append((path, f"{times[ours]:.2f}", ref, f"{times[ref]:.2f}", f"{ratio:.2f}", f"{cpu_ratio:.2f}", goal_text,
                      "MISS" if missed else ""))
    widths = [max(len(row[i]) for row in [head] + lines) for i in range(len(head))]
    print("  ".join(h.ljust(w) for h, w in zip(head, widths)))
    for row in lines:
        print("  ".join(c.ljust(w) for c, w in zip(row, widths)) + ("  " + row[-1] if row[-1] else ""))
    context = report.get("context", {})
    print(f"\n{context.get('num_cpus', '?')} CPUs at {context.get('mhz_per_cpu', '?')} MHz, "
          f"{context.get('date', '')}; medians of the repetitions, wall time")


if __name__ == "__main__":
    main()
