</tbody>
</table>
</td>
</tr>
<tr>
<td style="padding:12px 12px 4px 12px; font-family:Arial, Helvetica, sans-serif; font-size:12px; line-height:1.5; color:#59636e;">Counts on the right: core library errors / errors / warnings / external errors / external warnings (KxE / E / W / EE / EW). Black lines are groups, dark red lines tests with errors, teal lines tests with external errors.</td>
</tr>
<tr>
<td style="padding:10px 12px 18px 12px; font-family:Arial, Helvetica, sans-serif; font-size:13px; line-height:1.5; color:#1f2328;">The full report of this run is the page <a href="OBJ_LINKREPORT" style="color:#0b5cad; font-weight:bold;">OBJ_LINKREPORT</a>. It lies in the run's result directory, beside the run's XML report, and is opened from there: double-click it and hand it the XML report, or serve that directory (for example with python3 -m http.server) and open the page through the server.</td>
</tr>
</tbody>
</table>
</td>
</tr>
</tbody>
</table>
</body>
</html>
