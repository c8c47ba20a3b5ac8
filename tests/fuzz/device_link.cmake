# The report-descriptor reader takes its input from the device.
orv_add_fuzzer(report_descriptor_fuzz report_descriptor_fuzz.cpp orv_report_descriptor)
